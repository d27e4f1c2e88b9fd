#include "base/FileBytes.h"

// The allocator apart from the readers, so that every build (the browser's reads from memory, not
// a disk) shares the one replaceable allocator.

#include <cstdint>
#include <new>

namespace {

ByteBuffer allocateWithNew(std::size_t size) { return ByteBuffer(new (std::nothrow) std::uint8_t[size]()); }

ByteAllocator currentAllocator = &allocateWithNew;

}  // namespace

ByteBuffer allocateBytes(std::size_t size) { return currentAllocator(size); }

ByteAllocator setByteAllocator(ByteAllocator allocator) {
  ByteAllocator previous = currentAllocator;
  currentAllocator = allocator ? allocator : &allocateWithNew;
  return previous;
}
