#pragma once
// Pictures for the heart and sphere benchmarks: the generated assets when the build has them,
// synthetic noise pictures otherwise.

#include <stdlib.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "image/AssetDirectory.h"
#include "render/Pixel.h"
#include "render/TrigTables.h"
#include "tools/imagefiles/ImageFiles.h"

namespace picture_scene_bench {

inline std::vector<Pixel> noise(std::uint32_t seed, int transparentOneIn) {
  std::mt19937 random(seed);
  std::vector<Pixel> pixels(TEXTURE_PIXELS);
  for (Pixel& p : pixels) {
    p = random() & 0x00FFFFFF;
    if (transparentOneIn > 0 && random() % transparentOneIn == 0) p = TRANSPARENT_KEY;
  }
  return pixels;
}

inline void usePictureSceneAssets() {
  static std::string synthetic;
  fillTrigTables();
  const std::filesystem::path generated = ZOD_ASSET_DIR;
  bool complete = true;
  for (const char* name : {"wood1.jpg", "zod1.pcx", "herz.pcx", "tegel1.jpg", "kuven.pcx"})
    complete = complete && std::filesystem::exists(generated / name);
  if (complete) {
    setAssetDirectory(generated.string());
    return;
  }
  if (synthetic.empty()) {
    synthetic = "/tmp/zod-picture-bench-XXXXXX";
    if (!mkdtemp(synthetic.data())) synthetic = "/tmp";
    imagefiles::writeJpeg(synthetic + "/wood1.jpg", noise(1, 0), 256, 256);
    imagefiles::writePcx(synthetic + "/zod1.pcx", noise(2, 3), 256, 256);
    imagefiles::writePcx(synthetic + "/herz.pcx", noise(3, 3), 256, 256);
    imagefiles::writeJpeg(synthetic + "/tegel1.jpg", noise(4, 0), 256, 256);
    imagefiles::writePcx(synthetic + "/kuven.pcx", noise(5, 3), 256, 256);
  }
  setAssetDirectory(synthetic);
}

// Time per frame and per pixel (printed in seconds with a prefix: 450us, 3.1ns).
inline void reportPerFrameAndPixel(benchmark::State& state) {
  const auto frames = static_cast<double>(state.iterations());
  const auto perUnit = benchmark::Counter::kIsRate | benchmark::Counter::kInvert;
  state.counters["frame"] = benchmark::Counter(frames, perUnit);
  state.counters["pixel"] = benchmark::Counter(frames * FRAME_PIXELS, perUnit);
}

}  // namespace picture_scene_bench
