#include "bench/BenchAssets.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "base/AssetDirectory.h"
#include "image/ShowPictures.h"
#include "imagefiles/ImageFiles.h"

namespace {
bool hasAll(const std::filesystem::path& directory) {
  for (const ShowPicture& p : SHOW_PICTURES) {
    if (!std::filesystem::exists(directory / p.name)) return false;
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
  for (const ShowPicture& p : SHOW_PICTURES) {
    const std::string path = (directory / p.name).string();
    switch (p.format) {
      case PictureFormat::Jpeg: imagefiles::writeJpeg(path, standIn(p.width, p.height, seed), p.width, p.height); break;
      // A PCX stand-in is one 256 x 256 sprite, as the show's are; the table gives only its capacity.
      case PictureFormat::Pcx:
        imagefiles::writePcx(path, standIn(TEXTURE_SIZE, TEXTURE_SIZE, seed), TEXTURE_SIZE, TEXTURE_SIZE);
        break;
      case PictureFormat::Raw: imagefiles::writeRaw(path, standIn(p.width, p.height, seed), p.width, p.height); break;
    }
    ++seed;
  }
  setAssetDirectory(directory.string());
}
