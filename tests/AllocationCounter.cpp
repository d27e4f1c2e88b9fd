#include "tests/AllocationCounter.h"

#include "app/MainThreadAllocations.h"

// The tests link the program's own counting operator new (app/CountingNew.cpp), so what a test
// counts is what the run log counts.
AllocationCounter::AllocationCounter() : startCount(allocationsOnThisThread()) {}
AllocationCounter::~AllocationCounter() = default;
std::size_t AllocationCounter::count() const { return allocationsOnThisThread() - startCount; }
