#pragma once
// The byte buffers the loaders work in, and the program's one way of reading a whole file.
// Allocation goes through a replaceable allocator so that tests can show what a loader does when
// memory cannot be had.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using ByteBuffer = std::unique_ptr<std::uint8_t[]>;

// Returns a zero-filled buffer of the given size, or an empty one when memory cannot be had.
using ByteAllocator = ByteBuffer (*)(std::size_t size);

ByteBuffer allocateBytes(std::size_t size);
// Installs an allocator and returns the previous one; nullptr restores the default (new (nothrow)).
ByteAllocator setByteAllocator(ByteAllocator allocator);

enum class FileReadResult { ok, cannotOpen, noMemory };

struct FileBytes {
  ByteBuffer data;
  std::size_t size = 0;
};

// Reads at most maxBytes from the start of the file at path. A file that is shorter is not a
// failure here: the caller compares size with what it needs.
FileReadResult readFileBytes(const std::string& path, std::size_t maxBytes, FileBytes& out);

// Reads the whole file at path into bytes; false if it cannot be opened. Throws std::bad_alloc
// when memory cannot be had, as any other allocation of the start-up would.
bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes);
