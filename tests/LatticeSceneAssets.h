#pragma once
// Synthetic pictures for the plane and square tunnel scenes, written into a temporary asset
// directory that the loaders read from for the life of the object.

#include <cstdint>
#include <vector>

#include "image/Loaders.h"
#include "image/ShowPictures.h"
#include "render/Pixel.h"
#include "tests/ScratchAssets.h"

namespace lattice_scene_assets {

inline Pixel rgb(int r, int g, int b) {
  return static_cast<Pixel>((r & 255) << 16 | (g & 255) << 8 | (b & 255));
}

// Two clearly different textures with detail in every byte.
inline std::vector<Pixel> tilePattern() {
  std::vector<Pixel> p(TEXTURE_PIXELS);
  for (int r = 0; r < 256; ++r) {
    for (int c = 0; c < 256; ++c) p[r * 256 + c] = rgb(c, (r ^ c) * 3, ((r / 32 + c / 32) % 2) * 200 + 30);
  }
  return p;
}

inline std::vector<Pixel> metalPattern() {
  std::vector<Pixel> p(TEXTURE_PIXELS);
  for (int r = 0; r < 256; ++r) {
    for (int c = 0; c < 256; ++c) p[r * 256 + c] = rgb(255 - r, (r * c) >> 6, 128 + ((c * 7) & 127));
  }
  return p;
}

// Black (which adds nothing) with bright diagonal bands that saturate.
inline std::vector<Pixel> logoPattern() {
  std::vector<Pixel> p(512 * 180, 0);
  for (int r = 0; r < 180; ++r) {
    for (int c = 0; c < 512; ++c) {
      if ((c + r) % 64 < 16) p[r * 512 + c] = rgb(0xC0, 0xA0 + (c & 63), 0x80);
      if ((c - r + 512) % 97 == 0) p[r * 512 + c] = rgb(255, 255, 255);
    }
  }
  return p;
}

// Squares of the transparent key between opaque squares, black ones included.
inline std::vector<Pixel> overlayPattern() {
  std::vector<Pixel> p(280 * 280);
  for (int r = 0; r < 280; ++r) {
    for (int c = 0; c < 280; ++c) {
      const int square = r / 20 + c / 20;
      p[r * 280 + c] = square % 2 == 0 ? TRANSPARENT_KEY : (square % 3 == 0 ? 0 : rgb(r, c, 90));
    }
  }
  return p;
}

class TempAssets {
 public:
  TempAssets() {
    directory.writeJpeg(TEGEL1.name, tilePattern(), 256, 256);
    directory.writeJpeg(METAL1.name, metalPattern(), 256, 256);
    directory.writeRaw(DIRURAR.name, logoPattern(), 512, 180);
    directory.writeRaw(ZOD13.name, overlayPattern(), 280, 280);
  }

  // Replaces one picture, for tests that need a different one.
  void writeRaw(const char* name, const std::vector<Pixel>& pixels, int width, int height) const {
    directory.writeRaw(name, pixels, width, height);
  }

  // The pictures as the show's loaders deliver them.
  std::vector<Pixel> jpeg(const char* name) const {
    std::vector<Pixel> p(TEXTURE_PIXELS);
    loadJpeg(p.data(), name, 256, 256);
    return p;
  }
  std::vector<Pixel> raw(const char* name, int width, int height) const {
    std::vector<Pixel> p(static_cast<std::size_t>(width) * height);
    loadRaw(p.data(), name, width, height);
    return p;
  }

 private:
  ScratchAssetDirectory directory;
};

}  // namespace lattice_scene_assets
