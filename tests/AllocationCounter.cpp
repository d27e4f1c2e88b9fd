#include "tests/AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace {
thread_local std::size_t allocationsOnThisThread = 0;
thread_local int activeCounters = 0;

void* countedAllocation(std::size_t size) {
  if (activeCounters > 0) ++allocationsOnThisThread;
  if (size == 0) size = 1;
  if (void* p = std::malloc(size)) return p;
  throw std::bad_alloc();
}

// The nothrow forms must be replaced too: otherwise they come from the runtime's allocator and
// end in the std::free below, which sanitizers report as a mismatch.
void* countedAllocationOrNull(std::size_t size) noexcept {
  if (activeCounters > 0) ++allocationsOnThisThread;
  return std::malloc(size == 0 ? 1 : size);
}
}  // namespace

void* operator new(std::size_t size) { return countedAllocation(size); }
void* operator new[](std::size_t size) { return countedAllocation(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return countedAllocationOrNull(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return countedAllocationOrNull(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

AllocationCounter::AllocationCounter() : startCount(allocationsOnThisThread) { ++activeCounters; }
AllocationCounter::~AllocationCounter() { --activeCounters; }
std::size_t AllocationCounter::count() const { return allocationsOnThisThread - startCount; }
