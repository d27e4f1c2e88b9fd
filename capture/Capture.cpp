#include "capture/Capture.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "base/InterruptFlag.h"
#include "base/TimeArguments.h"
#include "capture/CaptureProgress.h"
#include "capture/FrameQueue.h"
#include "capture/SecondsSince.h"
#include "capture/VideoEncoder.h"
#include "display/Letterbox.h"
#include "image/PngFile.h"
#include "show/Timeline.h"
#include "stage/OfflineShow.h"
#include "stage/ShowFiles.h"
#include "stage/ShowScenes.h"

namespace {
constexpr int ARGUMENT_ERROR = 2;
// The timeline's length; the show runs a little longer.
constexpr auto NOMINAL_SHOW_MICROS = static_cast<std::int64_t>(timelineDurationMs() * 1000.0);
// Frames between the renderer and the encoder: enough to ride out an encoder's uneven pace.
constexpr std::size_t QUEUED_FRAMES = 8;

bool parseRate(const std::string& text, FrameTiming& timing, std::ostream& err, const char* command) {
  std::int64_t numerator = 0;
  std::int64_t denominator = 0;
  if (!parseFrameRate(text, numerator, denominator) || !FrameTiming::usable(numerator, denominator)) {
    err << "zod " << command << ": --fps " << text << " is not a frame rate from 1 to 1000 (60, 59.94 or 60000/1001)\n";
    return false;
  }
  timing = FrameTiming(numerator, denominator);
  return true;
}

bool parseTime(const std::string& text, const char* what, std::int64_t& micros, std::ostream& err, const char* command) {
  if (parseShowTime(text, micros)) return true;
  err << "zod " << command << ": " << what << " " << text
      << " is not a show time (seconds like 95.5, or m:ss like 1:35.5, or 95000ms)\n";
  return false;
}

// Every output is checked before any work, so a mistake costs nothing: a folder, an existing file
// (unless --overwrite, as ffmpeg's -y), or a folder that is not there.
bool outputUsable(const std::string& path, bool overwrite, std::ostream& err, const char* command) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path out(path);
  if (fs::is_directory(out, ec)) {
    err << "zod " << command << ": " << path << " is a folder; give a file name\n";
    return false;
  }
  if (fs::exists(out, ec) && !overwrite) {
    err << "zod " << command << ": " << path << " exists; -y (--overwrite) replaces it\n";
    return false;
  }
  const fs::path folder = out.has_parent_path() ? out.parent_path() : fs::path(".");
  if (!fs::is_directory(folder, ec)) {
    err << "zod " << command << ": the folder " << folder.string() << " does not exist\n";
    return false;
  }
  return true;
}

// The file's name as typed, so that ".png" alone counts as ending in .png (it has no name before it).
std::string lowerFileName(const std::string& path) {
  std::string name = std::filesystem::path(path).filename().string();
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name;
}

bool endsWithPng(const std::string& path) {
  const std::string name = lowerFileName(path);
  return name.size() >= 4 && name.compare(name.size() - 4, 4, ".png") == 0;
}

// The frames a capture writes: from the one on screen at --from to the last before --to.
struct Cut {
  FrameTiming timing;
  std::int64_t firstFrame = 0;
  std::int64_t endFrame = INT64_MAX;
};

// What the frame loop leaves for the closing figures.
struct EncodedFrames {
  std::chrono::steady_clock::time_point started;
  std::int64_t written = 0;
  double renderSeconds = 0.0;
  bool interrupted = false;
  // The encoding thread's failure if any, else the preparing thread's; empty when neither failed.
  std::string error;
};

VideoEncoderSettings encoderSettings(const CaptureOptions& options, const FrameTiming& timing) {
  VideoEncoderSettings settings;
  settings.path = options.outPath;
  settings.scale = options.scale;
  settings.codec = options.codec;
  settings.rateNumerator = timing.numerator();
  settings.rateDenominator = timing.denominator();
  settings.preset = options.preset;
  settings.crf = options.crf;
  return settings;
}

// False, with the message written, for an argument out of range, an output refused or encoder
// settings no file can be made with.
bool parseCaptureArguments(const CaptureOptions& options, Cut& cut, std::ostream& err) {
  if (!parseRate(options.frameRate, cut.timing, err, "capture")) return false;
  std::int64_t fromMicros = 0;
  std::int64_t toMicros = -1;
  if (!options.from.empty() && !parseTime(options.from, "--from", fromMicros, err, "capture")) return false;
  if (!options.to.empty() && !parseTime(options.to, "--to", toMicros, err, "capture")) return false;
  if (toMicros >= 0 && toMicros <= fromMicros) {
    err << "zod capture: --to must come after --from\n";
    return false;
  }
  // The cut starts with the frame on screen at --from and ends before the first frame that starts
  // at or after --to.
  cut.firstFrame = cut.timing.frameAt(fromMicros);
  if (toMicros >= 0) cut.endFrame = -cut.timing.frameAt(-toMicros);
  if (!outputUsable(options.outPath, options.overwrite, err, "capture")) return false;
  std::string refusal;
  if (VideoEncoder::settingsUsable(encoderSettings(options, cut.timing), refusal)) return true;
  err << "zod capture: " << refusal << "\n";
  return false;
}

// The encoder first, so that a file it cannot write costs no start-up of the show.
bool openEncoderAndShow(const CaptureOptions& options, const FrameTiming& timing,
                        std::unique_ptr<VideoEncoder>& encoder, std::unique_ptr<OfflineShow>& offline,
                        std::ostream& err) {
  std::string error;
  encoder = VideoEncoder::open(encoderSettings(options, timing), error);
  if (encoder) offline = OfflineShow::start(timing, error);
  if (offline) return true;
  err << "zod capture: " << error << "\n";
  return false;
}

// The frames before --from are run unseen, their cues from the module's table; the skip is a
// phase of its own, before any frame is encoded. The exit code when the capture ends here.
std::optional<int> skipToFirstFrame(const CaptureOptions& options, const Cut& cut, OfflineShow& offline,
                                    const InterruptFlag& interrupt, std::ostream& err) {
  bool reached = true;
  if (cut.firstFrame > 0 && !interrupt.raised()) {
    const auto started = std::chrono::steady_clock::now();
    if (options.progress)
      err << "skipping to " << formatShowTime(static_cast<double>(cut.timing.counterMs(cut.firstFrame))) << " ..."
          << std::flush;
    reached = offline.skipTo(cut.firstFrame, [&interrupt] { return !interrupt.raised(); });
    if (options.progress) err << " " << formatShowTime(secondsSince(started) * 1000.0) << "\n";
  }
  if (interrupt.raised()) {
    err << "zod capture: interrupted before the first frame; nothing was written\n";
    return interrupt.exitCode();
  }
  if (!reached) {
    err << "zod capture: the show ends at " << formatShowTime(offline.run().timeMs()) << ", before --from "
        << options.from << "; nothing was written\n";
    return ARGUMENT_ERROR;
  }
  return std::nullopt;
}

// This thread renders each frame and converts it to the encoder's format and size; the encoding
// thread does nothing but feed the encoders, which keeps libx264's threads busy.
EncodedFrames encodeFrames(const CaptureOptions& options, const Cut& cut, OfflineShow& offline, VideoEncoder& encoder,
                           const InterruptFlag& interrupt, std::ostream& err) {
  EncodedFrames done;
  done.started = std::chrono::steady_clock::now();
  std::vector<EncoderFrame> slots;
  for (std::size_t i = 0; i < QUEUED_FRAMES; ++i) slots.push_back(encoder.newFrame(cut.timing.mostSamplesInAFrame()));
  FrameQueue<EncoderFrame> queue(std::move(slots));
  std::string encoderError;
  std::string prepareError;
  std::thread encoding([&] {
    while (EncoderFrame* slot = queue.next()) {
      const bool ok = encoder.encode(*slot, encoderError);
      queue.release();
      if (!ok) {
        queue.close();
        return;
      }
    }
  });

  SimulatedRun& run = offline.run();
  const std::int64_t nominalEnd = cut.timing.frameAt(NOMINAL_SHOW_MICROS) + 1;
  CaptureProgress progress(err, isatty(STDERR_FILENO) != 0, std::min(cut.endFrame, nominalEnd) - cut.firstFrame,
                           cut.timing.framesPerSecond());
  while (run.frameIndex() < cut.endFrame) {
    const bool shown = run.frameIndex() >= cut.firstFrame;
    const auto renderStart = std::chrono::steady_clock::now();
    run.step(offline.frame(), shown);
    done.renderSeconds += secondsSince(renderStart);
    if (shown) {
      EncoderFrame* slot = queue.acquire();
      if (!slot) break;
      if (!encoder.prepare(offline.frame(), offline.music().samples(), offline.music().sampleFrames(), *slot,
                           prepareError))
        break;
      queue.publish();
      ++done.written;
    }
    // Scenes are numbered from 1, as the scene list gives them.
    const int scene = offline.show().engine().sequencer().currentIndex() + 1;
    if (options.progress) progress.update(done.written, run.timeMs(), scene, offline.sceneName());
    if (run.over()) break;
    if (interrupt.raised()) {
      done.interrupted = true;
      break;
    }
  }
  queue.close();
  encoding.join();
  if (options.progress)
    progress.finish(done.written, run.timeMs(), offline.show().engine().sequencer().currentIndex() + 1,
                    offline.sceneName());
  done.error = encoderError.empty() ? prepareError : encoderError;
  return done;
}

// Completes the file and says what it holds (and, with --verbose, where the time went).
int finishAndReport(const CaptureOptions& options, const Cut& cut, const EncodedFrames& done, OfflineShow& offline,
                    VideoEncoder& encoder, const InterruptFlag& interrupt, std::ostream& out, std::ostream& err) {
  const double showTimeMs = offline.run().timeMs();
  if (!done.error.empty()) {
    err << "zod capture: " << done.error << "\n";
    return 1;
  }
  if (done.written == 0) {
    err << "zod capture: the show ended at " << formatShowTime(showTimeMs) << ", before --from " << options.from
        << "; nothing was written\n";
    return 1;
  }
  std::string error;
  if (!encoder.finish(error)) {
    err << "zod capture: " << error << "\n";
    return 1;
  }
  const double framesSeconds = secondsSince(done.started);
  const double seconds = static_cast<double>(done.written) / cut.timing.framesPerSecond();
  out << "wrote " << options.outPath << ": " << done.written << " frames, " << formatShowTime(seconds * 1000.0)
      << " of video from show time " << formatShowTime(static_cast<double>(cut.timing.counterMs(cut.firstFrame)))
      << "\n";
  if (options.verbose)
    out << "time: rendering " << done.renderSeconds << " s, scaling " << encoder.scalingSeconds() << " s, encoding "
        << encoder.encodingSeconds() << " s, the frames from first to file " << framesSeconds << " s\n";
  if (done.interrupted) {
    err << "zod capture: interrupted; " << options.outPath << " is complete up to show time "
        << formatShowTime(showTimeMs) << "\n";
    return interrupt.exitCode();
  }
  return 0;
}

// A scene number given as a moment becomes the time its scene starts, for the time parsing that
// follows; `scene` keeps the number (0 when a time was given). False after saying that the music
// the number needs cannot be read.
bool sceneAsShowTime(std::string& moment, int& scene, std::ostream& err, const char* command) {
  scene = 0;
  parseSceneNumber(moment, scene);
  std::string error;
  if (sceneNumberAsShowTime(moment, error)) return true;
  err << "zod " << command << ": " << error << "\n";
  return false;
}
}  // namespace

int runCapture(const CaptureOptions& givenOptions, std::ostream& out, std::ostream& err) {
  chooseAssetDirectory(givenOptions.assetDir);
  // A scene number is the time its scene starts; the music that says when is read only for it.
  CaptureOptions options = givenOptions;
  int fromScene = 0;
  int toScene = 0;
  if (!sceneAsShowTime(options.from, fromScene, err, "capture") || !sceneAsShowTime(options.to, toScene, err, "capture"))
    return 1;
  Cut cut;
  if (!parseCaptureArguments(options, cut, err)) return ARGUMENT_ERROR;
  // From here on Ctrl+C and SIGTERM are ours: whatever the moment, the temporary file is cleaned up.
  InterruptFlag interrupt;
  std::unique_ptr<VideoEncoder> encoder;
  std::unique_ptr<OfflineShow> offline;
  if (!openEncoderAndShow(options, cut.timing, encoder, offline, err)) return 1;
  if (const std::optional<int> code = skipToFirstFrame(options, cut, *offline, interrupt, err)) return *code;
  if (fromScene > 0) {
    offline->skipToSceneStart(fromScene - 1);
    cut.firstFrame = offline->run().frameIndex();
  }
  const EncodedFrames done = encodeFrames(options, cut, *offline, *encoder, interrupt, err);
  return finishAndReport(options, cut, done, *offline, *encoder, interrupt, out, err);
}

int runStill(const StillOptions& givenOptions, std::ostream& out, std::ostream& err) {
  chooseAssetDirectory(givenOptions.assetDir);
  StillOptions options = givenOptions;
  int scene = 0;
  if (!sceneAsShowTime(options.time, scene, err, "still")) return 1;
  FrameTiming timing;
  if (!parseRate(options.frameRate, timing, err, "still")) return ARGUMENT_ERROR;
  std::int64_t micros = 0;
  if (!parseTime(options.time, "the time", micros, err, "still")) return ARGUMENT_ERROR;
  const std::int64_t target = timing.frameAt(micros);
  if (!endsWithPng(options.outPath)) {
    err << "zod still: " << options.outPath << " does not end in .png; a still is written as PNG\n";
    return ARGUMENT_ERROR;
  }
  if (lowerFileName(options.outPath) == ".png") {
    err << "zod still: " << options.outPath << " has no name before .png\n";
    return ARGUMENT_ERROR;
  }
  if (!outputUsable(options.outPath, options.overwrite, err, "still")) return ARGUMENT_ERROR;

  // A signal stops the run between frames; the PNG is written whole or not at all.
  InterruptFlag interrupt;
  std::string error;
  std::unique_ptr<OfflineShow> offline = OfflineShow::start(timing, error);
  if (!offline) {
    err << "zod still: " << error << "\n";
    return 1;
  }
  SimulatedRun& run = offline->run();
  const bool reached = offline->skipTo(target, [&interrupt] { return !interrupt.raised(); }) &&
                       (scene == 0 || offline->skipToSceneStart(scene - 1));
  if (interrupt.raised()) {
    err << "zod still: interrupted; nothing was written\n";
    return interrupt.exitCode();
  }
  if (!reached) {
    err << "zod still: the show ends at " << formatShowTime(run.timeMs()) << ", before " << options.time << "\n";
    return ARGUMENT_ERROR;
  }
  // The scene drawn is the one running before the step, which may end it.
  const std::int64_t drawn = run.frameIndex();
  const int sceneDrawn = offline->show().engine().sequencer().currentIndex() + 1;
  const std::string sceneNameDrawn = offline->sceneName();
  run.step(offline->frame(), true);
  std::vector<Pixel> screen(SCREEN_PIXELS);
  screenAsShown(offline->frame(), screen.data());
  std::string why;
  if (!writePngFile(options.outPath, screen.data(), FRAME_WIDTH, SCREEN_HEIGHT, &why)) {
    err << "zod still: cannot write " << options.outPath << ": " << why << "; nothing was written\n";
    return 1;
  }
  out << "wrote " << options.outPath << ": frame " << drawn << " at show time " << formatShowTime(run.timeMs())
      << ", scene " << sceneDrawn << " (" << sceneNameDrawn << ")\n";
  return 0;
}
