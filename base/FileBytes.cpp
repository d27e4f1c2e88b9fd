#include "base/FileBytes.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <new>

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

FileReadResult readFileBytes(const std::string& path, std::size_t maxBytes, FileBytes& out) {
  out = FileBytes{};
  // file_size refuses directories and other non-regular files, which fopen would accept.
  std::error_code error;
  const std::uintmax_t fileSize = std::filesystem::file_size(path, error);
  if (error) return FileReadResult::cannotOpen;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return FileReadResult::cannotOpen;

  const std::size_t wanted = fileSize < maxBytes ? static_cast<std::size_t>(fileSize) : maxBytes;
  ByteBuffer data = allocateBytes(wanted);
  if (!data) return FileReadResult::noMemory;
  std::size_t got = 0;
  while (got < wanted) {
    const std::size_t n = std::fread(data.get() + got, 1, wanted - got, file.get());
    if (n == 0) break;  // end of file or a read error: the caller sees a shorter file
    got += n;
  }
  if (got == 0 && wanted > 0 && std::ferror(file.get())) return FileReadResult::cannotOpen;
  out.data = std::move(data);
  out.size = got;
  return FileReadResult::ok;
}

bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
  bytes.clear();
  FileBytes file;
  const FileReadResult result = readFileBytes(path, SIZE_MAX, file);
  if (result == FileReadResult::noMemory) throw std::bad_alloc();
  if (result != FileReadResult::ok) return false;
  bytes.assign(file.data.get(), file.data.get() + file.size);
  return true;
}
