// Capture throughput at 60 fps, each format at its default scale (2 for H.264, 1 for the lossless
// ones). Needs the generated assets (the show's pictures and music).
//
// BM_CaptureStages: one minute (1:00 to 2:00, the heart scene) per codec of the format table, the
// three stages one after the other on one thread: rendering (show and music), converting (colour
// conversion, letterbox, nearest-neighbour upscale), encoding (the video encoder, the audio
// encoder and the muxer); seconds per stage for the minute, and the file's size.
// BM_CapturePipelined: `zod capture` itself on that minute, per libx264 preset.
// BM_CaptureAgainstEncoderAlone: 20 s of the show (1200 frames from 1:00) at scale 2, default
// settings, first through libx264 alone (the pictures converted in memory beforehand, no audio),
// then through `zod capture` on the same span; the ratio of the two wall times (1.0: the pipeline
// costs nothing beyond the encoder) and the process's CPU time in each.
// BM_YuvOnceAgainstScaledRgb: one minute (5:00 to 6:00), each frame's H.264 picture at scale 2
// against swscale's conversion of the frame scaled to 1024 x 768; the samples that differ.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sstream>
#include <vector>

#include "capture/Capture.h"
#include "capture/SecondsSince.h"
#include "stage/OfflineShow.h"
#include "capture/VideoEncoder.h"
#include "base/AssetDirectory.h"
#include "tests/ScaledYuvReference.h"

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
      rendering += secondsSince(start);
      encoder->addFrame(offline->frame(), offline->music().samples(), offline->music().sampleFrames(), error);
    }
    encoder->finish(error);
    const double scaling = encoder->scalingSeconds();
    const double encoding = encoder->encodingSeconds();
    state.counters["render_s"] = rendering;
    state.counters["convert_s"] = scaling;
    state.counters["encode_s"] = encoding;
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
    const double took = secondsSince(start);
    state.counters["fps"] = FRAMES / took;
    state.counters["x_realtime"] = 60.0 / took;
    state.counters["whole_show_min"] = (1514.0 * 60 / (FRAMES / took)) / 60.0;
    // "time: rendering R s, scaling S s, encoding E s, ..."
    const std::string report = out.str();
    const std::size_t at = report.find("encoding ");
    if (at != std::string::npos) state.counters["wall_over_encoding"] = took / std::stod(report.substr(at + 9));
    state.SetLabel(options.preset);
  }
  std::filesystem::remove(options.outPath);
}
BENCHMARK(BM_CapturePipelined)->Arg(0)->Arg(1)->Arg(2)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

double processCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

constexpr int SPAN_FRAMES = 20 * 60;

// The show run unseen up to `frame`, and an encoder with the .mp4 defaults writing `suffix`'s
// file; when either cannot start, the benchmark is skipped and `encoder` is null.
struct ShowAndEncoder {
  std::unique_ptr<OfflineShow> show;
  VideoEncoderSettings settings;
  std::unique_ptr<VideoEncoder> encoder;
};

ShowAndEncoder openShowAt(std::int64_t frame, const char* suffix, benchmark::State& state) {
  ShowAndEncoder opened;
  std::string error;
  opened.show = OfflineShow::start(FrameTiming(), error);
  opened.settings.path = outputPath(suffix);
  if (opened.show) opened.encoder = VideoEncoder::open(opened.settings, error);
  if (!opened.encoder) {
    state.SkipWithError(error.c_str());
    return opened;
  }
  opened.show->skipTo(frame);
  return opened;
}

void BM_CaptureAgainstEncoderAlone(benchmark::State& state) {
  setAssetDirectory(ZOD_ASSET_DIR);
  for (auto _ : state) {
    // The span's pictures, converted beforehand with the capture's own conversion (1.4 GB).
    auto [offline, settings, converter] = openShowAt(FIRST_FRAME, "-alone.mp4", state);
    if (!converter) return;
    std::string error;
    std::vector<EncoderFrame> pictures;
    pictures.reserve(SPAN_FRAMES);
    for (int i = 0; i < SPAN_FRAMES; ++i) {
      offline->run().step(offline->frame(), true);
      pictures.push_back(converter->newFrame(0));
      converter->prepare(offline->frame(), nullptr, 0, pictures.back(), error);
    }
    converter.reset();
    offline.reset();

    auto alone = VideoEncoder::open(settings, error);
    if (!alone) {
      state.SkipWithError(error.c_str());
      return;
    }
    double cpu = processCpuSeconds();
    auto start = std::chrono::steady_clock::now();
    for (EncoderFrame& picture : pictures) alone->encode(picture, error);
    alone->finish(error);
    const double aloneSeconds = secondsSince(start);
    const double aloneCpu = processCpuSeconds() - cpu;
    alone.reset();
    pictures.clear();
    pictures.shrink_to_fit();

    CaptureOptions options;
    options.outPath = outputPath("-pipeline.mp4");
    options.overwrite = true;
    options.from = "60";
    options.to = "80";
    options.assetDir = ZOD_ASSET_DIR;
    options.progress = false;
    options.verbose = true;
    std::ostringstream out;
    std::ostringstream err;
    cpu = processCpuSeconds();
    start = std::chrono::steady_clock::now();
    if (runCapture(options, out, err) != 0) {
      state.SkipWithError(err.str().c_str());
      return;
    }
    const double captureSeconds = secondsSince(start);
    const double pipelineCpu = processCpuSeconds() - cpu;
    // "time: rendering R s, scaling S s, encoding E s, the frames from first to file W s"
    const std::string report = out.str();
    const auto figure = [&report](const char* after) {
      const std::size_t at = report.find(after);
      return at == std::string::npos ? 0.0 : std::stod(report.substr(at + std::strlen(after)));
    };
    const double pipelineSeconds = figure("to file ");
    state.counters["pipeline_render_s"] = figure("rendering ");
    state.counters["pipeline_convert_s"] = figure("scaling ");
    state.counters["pipeline_encode_s"] = figure("encoding ");
    state.counters["alone_s"] = aloneSeconds;
    state.counters["alone_cpu_s"] = aloneCpu;
    state.counters["pipeline_s"] = pipelineSeconds;
    state.counters["capture_s"] = captureSeconds;
    state.counters["pipeline_cpu_s"] = pipelineCpu;
    state.counters["ratio"] = pipelineSeconds / aloneSeconds;
    state.SetLabel(std::to_string(SPAN_FRAMES) + " frames");
    std::filesystem::remove(settings.path);
    std::filesystem::remove(options.outPath);
  }
}
BENCHMARK(BM_CaptureAgainstEncoderAlone)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_YuvOnceAgainstScaledRgb(benchmark::State& state) {
  setAssetDirectory(ZOD_ASSET_DIR);
  for (auto _ : state) {
    auto [offline, settings, encoder] = openShowAt(5 * 60 * 60, "-yuv.mp4", state);
    if (!encoder) return;
    std::string error;
    EncoderFrame prepared = encoder->newFrame(0);
    ScaledYuvReference reference;
    long long compared = 0;
    long long differing = 0;
    int largest = 0;
    int framesDiffering = 0;
    for (int i = 0; i < 60 * 60; ++i) {
      offline->run().step(offline->frame(), true);
      encoder->prepare(offline->frame(), nullptr, 0, prepared, error);
      reference.convert(offline->frame());
      const ScaledYuvReference::Difference difference = reference.compare(*prepared.picture());
      compared += ScaledYuvReference::WIDTH * ScaledYuvReference::HEIGHT * 3 / 2;
      differing += difference.samples;
      largest = std::max(largest, difference.largest);
      if (difference.samples > 0) ++framesDiffering;
    }
    state.counters["frames"] = 60 * 60;
    state.counters["samples"] = static_cast<double>(compared);
    state.counters["differing"] = static_cast<double>(differing);
    state.counters["frames_differing"] = framesDiffering;
    state.counters["largest"] = largest;
  }
}
BENCHMARK(BM_YuvOnceAgainstScaledRgb)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
