#include "base/FileBytes.h"

// The page's file reader: names are looked up in the asset table the page filled, not on a disk.

#include <cstring>
#include <map>
#include <vector>

#include "web/platform/AssetTable.h"

namespace {

std::map<std::string, std::vector<std::uint8_t>>& assets() {
  static std::map<std::string, std::vector<std::uint8_t>> table;
  return table;
}

}  // namespace

std::uint8_t* reserveAsset(const std::string& name, std::size_t size) {
  static std::uint8_t emptyFile;
  std::vector<std::uint8_t>& bytes = assets()[name];
  bytes.assign(size, 0);
  // An empty file still gets an address, so that null keeps meaning "no memory".
  return size ? bytes.data() : &emptyFile;
}

const std::uint8_t* findAsset(const std::string& name, std::size_t& size) {
  auto it = assets().find(name);
  if (it == assets().end()) return nullptr;
  size = it->second.size();
  return it->second.data();
}

FileReadResult readFileBytes(const std::string& path, std::size_t maxBytes, FileBytes& out) {
  out = FileBytes{};
  std::size_t fileSize = 0;
  const std::uint8_t* bytes = findAsset(path, fileSize);
  if (!bytes) return FileReadResult::cannotOpen;
  const std::size_t wanted = fileSize < maxBytes ? fileSize : maxBytes;
  ByteBuffer data = allocateBytes(wanted);
  if (!data) return FileReadResult::noMemory;
  if (wanted) std::memcpy(data.get(), bytes, wanted);
  out.data = std::move(data);
  out.size = wanted;
  return FileReadResult::ok;
}

bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
  std::size_t size = 0;
  const std::uint8_t* found = findAsset(path, size);
  if (!found) return false;
  bytes.assign(found, found + size);
  return true;
}
