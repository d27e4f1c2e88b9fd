// Capture throughput for one minute of the show (1:00 to 2:00, the heart scene) at 60 fps, each
// format at its default scale (2 for H.264, 1 for the lossless ones).
//
// BM_CaptureStages runs the three stages one after the other on one thread and reports each one's
// rate: rendering (show and music), scaling (colour conversion, letterbox, nearest-neighbour
// upscale), encoding (the video encoder, the audio encoder and the muxer), and the file's size.
// BM_CapturePipelined runs `zod capture` itself, rendering on one thread while scaling and
// encoding run on another (and the encoder's own), and reports the frames per second, times real
// time, and the whole run's wall time over the encoding thread's time in the encoder in the same
// run (1.0 would be the encoder alone).
// Needs the generated assets (the show's pictures and zod.xm).
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <sstream>

#include "capture/Capture.h"
#include "stage/OfflineShow.h"
#include "capture/VideoEncoder.h"
#include "base/AssetDirectory.h"

namespace {
constexpr int FIRST_FRAME = 60 * 60;
constexpr int FRAMES = 60 * 60;
const char* const PRESETS[] = {"ultrafast", "superfast", "veryfast"};
struct Codec {
  const char* codec;
  const char* extension;
  const char* preset;
};
const Codec CODECS[] = {{"h264", ".mp4", "ultrafast"}, {"h264", ".mp4", "superfast"}, {"h264", ".mp4", "veryfast"},
                        {"ffv1", ".mkv", ""},          {"x264rgb", ".mkv", "ultrafast"}, {"utvideo", ".mkv", ""},
                        {"magicyuv", ".mkv", ""}};

std::string outputPath(const char* extension) {
  return (std::filesystem::temp_directory_path() / (std::string("zod-capture-bench") + extension)).string();
}

double seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_CaptureStages(benchmark::State& state) {
  const Codec& codec = CODECS[state.range(0)];
  setAssetDirectory(ZOD_ASSET_DIR);
  for (auto _ : state) {
    std::string error;
    auto offline = OfflineShow::start(FrameTiming(), error);
    if (!offline) {
      state.SkipWithError(error.c_str());
      return;
    }
    offline->skipTo(FIRST_FRAME);

    VideoEncoderSettings settings;
    settings.path = outputPath(codec.extension);
    settings.codec = codec.codec;
    if (*codec.preset) settings.preset = codec.preset;
    auto encoder = VideoEncoder::open(settings, error);
    if (!encoder) {
      state.SkipWithError(error.c_str());
      return;
    }
    double rendering = 0.0;
    for (int i = 0; i < FRAMES; ++i) {
      const auto start = std::chrono::steady_clock::now();
      offline->run().step(offline->frame(), true);
      rendering += seconds(start);
      encoder->addFrame(offline->frame(), offline->music().samples(), offline->music().sampleFrames(), error);
    }
    encoder->finish(error);
    const double scaling = encoder->scalingSeconds();
    const double encoding = encoder->encodingSeconds();
    state.counters["render_fps"] = FRAMES / rendering;
    state.counters["scale_fps"] = FRAMES / scaling;
    state.counters["encode_fps"] = FRAMES / encoding;
    state.counters["serial_fps"] = FRAMES / (rendering + scaling + encoding);
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(settings.path)) / 1e6;
    state.SetLabel(std::string(codec.codec) + " " + codec.preset);
  }
  std::filesystem::remove(outputPath(".mkv"));
  std::filesystem::remove(outputPath(".mp4"));
}
BENCHMARK(BM_CaptureStages)->DenseRange(0, 6)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_CapturePipelined(benchmark::State& state) {
  CaptureOptions options;
  options.outPath = outputPath(".mp4");
  options.from = "60";
  options.to = "120";
  options.assetDir = ZOD_ASSET_DIR;
  options.preset = PRESETS[state.range(0)];
  options.progress = false;
  options.verbose = true;
  for (auto _ : state) {
    std::ostringstream out;
    std::ostringstream err;
    const auto start = std::chrono::steady_clock::now();
    if (runCapture(options, out, err) != 0) {
      state.SkipWithError(err.str().c_str());
      return;
    }
    const double took = seconds(start);
    state.counters["fps"] = FRAMES / took;
    state.counters["x_realtime"] = 60.0 / took;
    state.counters["whole_show_min"] = (1514.0 * 60 / (FRAMES / took)) / 60.0;
    // "time: rendering R s, scaling S s, encoding E s"
    const std::string report = out.str();
    const std::size_t at = report.find("encoding ");
    if (at != std::string::npos) state.counters["wall_over_encoding"] = took / std::stod(report.substr(at + 9));
    state.SetLabel(options.preset);
  }
  std::filesystem::remove(options.outPath);
}
BENCHMARK(BM_CapturePipelined)->Arg(0)->Arg(1)->Arg(2)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
