#pragma once
// Pictures for the plane and square tunnel benchmarks: the generated assets when the build has
// them, synthetic ones (the tests' pictures) otherwise.

#include <filesystem>
#include <memory>

#include "image/AssetDirectory.h"
#include "render/TrigTables.h"
#include "tests/LatticeSceneAssets.h"

inline void useLatticeSceneAssets() {
  static std::unique_ptr<lattice_scene_assets::TempAssets> synthetic;
  fillTrigTables();
  const std::filesystem::path generated = ZOD_ASSET_DIR;
  bool complete = true;
  for (const char* name : {"tegel1.jpg", "metal1.jpg", "dirurar.raw", "zod13.raw"}) {
    complete = complete && std::filesystem::exists(generated / name);
  }
  if (complete) {
    setAssetDirectory(generated.string());
  } else if (!synthetic) {
    synthetic = std::make_unique<lattice_scene_assets::TempAssets>("lattice-bench");
  }
}

// Time per frame and per pixel (printed in seconds with a prefix: 450us, 3.1ns).
template <typename State>
void reportFrameCounters(State& state, double pixelsPerFrame) {
  const auto frames = static_cast<double>(state.iterations());
  const auto perUnit = benchmark::Counter::kIsRate | benchmark::Counter::kInvert;
  state.counters["frame"] = benchmark::Counter(frames, perUnit);
  state.counters["pixel"] = benchmark::Counter(frames * pixelsPerFrame, perUnit);
}
