#include "tests/ScratchAssets.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "base/AssetDirectory.h"
#include "imagefiles/ImageFiles.h"

ScratchAssetDirectory::ScratchAssetDirectory() : previous(assetDirectory()) {
  std::string pattern = (std::filesystem::temp_directory_path() / "zod-assets-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a scratch asset directory");
  directory = pattern;
  setAssetDirectory(directory);
}

ScratchAssetDirectory::~ScratchAssetDirectory() {
  setAssetDirectory(previous);
  std::error_code ignored;
  std::filesystem::remove_all(directory, ignored);
}

void ScratchAssetDirectory::writeRaw(const char* name, const std::vector<Pixel>& pixels, int width, int height) const {
  imagefiles::writeRaw(directory + "/" + name, pixels, width, height);
}

void ScratchAssetDirectory::writePcx(const char* name, const std::vector<Pixel>& pixels, int width, int height) const {
  imagefiles::writePcx(directory + "/" + name, pixels, width, height);
}

void ScratchAssetDirectory::writeJpeg(const char* name, const std::vector<Pixel>& pixels, int width, int height) const {
  imagefiles::writeJpeg(directory + "/" + name, pixels, width, height);
}

std::vector<Pixel> noisePicture(int width, int height, std::uint32_t seed) {
  std::vector<Pixel> pixels(static_cast<std::size_t>(width) * height);
  std::uint32_t state = seed * 2654435761u + 1u;
  for (Pixel& p : pixels) {
    state = state * 1664525u + 1013904223u;
    p = state >> 8;
  }
  return pixels;
}

std::vector<Pixel> keyedNoisePicture(int width, int height, std::uint32_t seed) {
  std::vector<Pixel> pixels = noisePicture(width, height, seed);
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    const std::uint32_t pick = (static_cast<std::uint32_t>(i) * 2246822519u + seed) >> 29;
    if (pick == 0) pixels[i] = TRANSPARENT_KEY;
    if (pick == 1) pixels[i] = 0;
  }
  return pixels;
}

std::vector<Pixel> screenBuffer(Pixel fill) { return std::vector<Pixel>(SCREEN_PIXELS, fill); }
