#pragma once
// Synthetic pictures for effect tests: a temporary asset directory that the loaders read from,
// and deterministic pictures to put in it.

#include <cstdint>
#include <string>
#include <vector>

#include "render/Pixel.h"

class ScratchAssetDirectory {
 public:
  // Creates an empty directory and makes it the loaders' asset directory.
  ScratchAssetDirectory();
  // Removes the directory and restores the previous asset directory.
  ~ScratchAssetDirectory();
  ScratchAssetDirectory(const ScratchAssetDirectory&) = delete;
  ScratchAssetDirectory& operator=(const ScratchAssetDirectory&) = delete;

  void writeRaw(const char* name, const std::vector<Pixel>& pixels, int width, int height) const;
  void writePcx(const char* name, const std::vector<Pixel>& pixels, int width, int height) const;
  void writeJpeg(const char* name, const std::vector<Pixel>& pixels, int width, int height) const;

 private:
  std::string directory;
  std::string previous;
};

// Pseudo-random 0x00RRGGBB pixels, the same for the same seed.
std::vector<Pixel> noisePicture(int width, int height, std::uint32_t seed);
// Noise with about one pixel in eight made TRANSPARENT_KEY and one in eight made black.
std::vector<Pixel> keyedNoisePicture(int width, int height, std::uint32_t seed);
// A 512 x 384 frame allocation (frame plus reserve) with every pixel set to fill.
std::vector<Pixel> screenBuffer(Pixel fill);
