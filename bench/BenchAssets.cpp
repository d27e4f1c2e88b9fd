#include "bench/BenchAssets.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "base/AssetDirectory.h"
#include "imagefiles/ImageFiles.h"

namespace {
struct Picture {
  const char* name;
  int width;
  int height;
};

const Picture JPEGS[] = {{"tegel1.jpg", 256, 256}, {"tegel3.jpg", 256, 256}, {"wood1.jpg", 256, 256}, {"metal1.jpg", 256, 256}};
const Picture PCXS[] = {{"titel.pcx", 256, 256}, {"zod4.pcx", 256, 256}, {"herz.pcx", 256, 256},
                        {"zod1.pcx", 256, 256},  {"kuven.pcx", 256, 256}, {"ende.pcx", 256, 256}};
const Picture RAWS[] = {{"presents.raw", 70, 20},    {"balle.raw", 512, 256}, {"blockchen.raw", 512, 256},
                        {"dirurar.raw", 512, 180},   {"zod13.raw", 280, 280}};

bool hasAll(const std::filesystem::path& directory) {
  const auto present = [&](const Picture& p) { return std::filesystem::exists(directory / p.name); };
  for (const Picture& p : JPEGS) {
    if (!present(p)) return false;
  }
  for (const Picture& p : PCXS) {
    if (!present(p)) return false;
  }
  for (const Picture& p : RAWS) {
    if (!present(p)) return false;
  }
  return true;
}

// Noise with keyed and black pixels sprinkled in, so keyed copies take both branches.
std::vector<std::uint32_t> standIn(int width, int height, std::uint32_t seed) {
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
  std::uint32_t state = seed * 2654435761u + 1u;
  for (std::uint32_t& p : pixels) {
    state = state * 1664525u + 1013904223u;
    p = state >> 8;
    if ((state >> 28) == 0) p = 0x000000FFu;
    if ((state >> 28) == 1) p = 0;
  }
  return pixels;
}
}  // namespace

void useBenchAssets() {
  const std::filesystem::path generated = ZOD_ASSET_DIR;
  if (hasAll(generated)) {
    setAssetDirectory(generated.string());
    return;
  }
  const std::filesystem::path directory = std::filesystem::temp_directory_path() / "zod-bench-assets";
  std::filesystem::create_directories(directory);
  std::uint32_t seed = 1;
  for (const Picture& p : JPEGS) imagefiles::writeJpeg((directory / p.name).string(), standIn(p.width, p.height, seed++), p.width, p.height);
  for (const Picture& p : PCXS) imagefiles::writePcx((directory / p.name).string(), standIn(p.width, p.height, seed++), p.width, p.height);
  for (const Picture& p : RAWS) imagefiles::writeRaw((directory / p.name).string(), standIn(p.width, p.height, seed++), p.width, p.height);
  setAssetDirectory(directory.string());
}
