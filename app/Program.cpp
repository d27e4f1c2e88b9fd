#include "app/Program.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <cstdio>
#include <filesystem>
#include <new>
#include <thread>

#include "base/Fatal.h"
#include "app/LateStart.h"
#include "app/MainLoop.h"
#include "app/PausableCounter.h"
#include "app/Settings.h"
#include "platform/SdlAudioOutput.h"
#include "platform/SilentAudioOutput.h"
#include "platform/SdlWindow.h"
#include "display/Screen.h"
#include "platform/SdlDisplay.h"
#include "base/TimeArguments.h"
#include "show/FrameTiming.h"
#include "stage/ShowFiles.h"
#include "stage/ShowScenes.h"

namespace {
constexpr int FAILED = 1;

// The pictures, checked before anything else. Returns false after reporting every missing or
// broken file at once.
bool findPictures(const std::string& requested) {
  chooseAssetDirectory(requested);
  const std::vector<ShowFileFault> faults = checkShowPictures();
  if (faults.empty()) return true;
  showFatal(showFilesReport(faults, assetFoldersTried()).c_str());
  return false;
}

double steadyNowMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void sleepUntilMs(double untilMs) {
  std::this_thread::sleep_until(std::chrono::steady_clock::time_point(
      std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double, std::milli>(untilMs))));
}
}  // namespace

int runShowOn(Platform& platform, const ShowOptions& options) {
  try {
    Screen screen(platform.display, FRAME_WIDTH, SCREEN_HEIGHT, 32);
    platform.window.focus();
    Show show(platform.counter, options);
    runMessageLoop(platform.window, screen, show.engine(), platform.loop);
  } catch (const std::bad_alloc&) {
    // Nothing is made half: an object that could not be allocated is never used.
    showFatal(OUT_OF_MEMORY);
  }
  return fatalReported() ? FAILED : 0;
}

int runProgram(const ProgramOptions& options) {
  double intervalMs = 0.0;
  if (!options.frameRate.empty()) {
    std::int64_t numerator = 0;
    std::int64_t denominator = 0;
    if (!parseFrameRate(options.frameRate, numerator, denominator) || !FrameTiming::usable(numerator, denominator)) {
      std::fprintf(stderr, "zod: --fps %s is not a frame rate from 1 to 1000\n", options.frameRate.c_str());
      return 2;
    }
    intervalMs = 1000.0 * static_cast<double>(denominator) / static_cast<double>(numerator);
  }
  if (!options.shotsFolder.empty() && !std::filesystem::is_directory(options.shotsFolder)) {
    std::fprintf(stderr, "zod: --shots %s is not a folder\n", options.shotsFolder.c_str());
    return 2;
  }
  std::unique_ptr<RunLog> log;
  if (!options.logPath.empty()) {
    log = std::make_unique<RunLog>(&steadyNowMs, options.allocationCount);
    if (!log->open(options.logPath)) {
      std::fprintf(stderr, "zod: cannot write the run log %s\n", options.logPath.c_str());
      return 2;
    }
  }

  SdlWindow::installFatalReporter();
  if (!findPictures(options.assetDir)) return FAILED;
  // Both moments are known before the window opens, so a refused --end leaves no window behind.
  std::int64_t startMicros = 0;
  std::int64_t endMicros = 0;
  std::string error;
  if ((!options.start.empty() && !showMomentMicros(options.start, startMicros, error)) ||
      (!options.end.empty() && !showMomentMicros(options.end, endMicros, error))) {
    std::fprintf(stderr, "zod: %s\n", error.c_str());
    return FAILED;
  }
  if (!options.end.empty() && endMicros < startMicros) {
    std::fprintf(stderr, "zod: --end %s is before the start (%s)\n", options.end.c_str(),
                 formatShowTime(static_cast<double>(startMicros) / 1000.0).c_str());
    return 2;
  }

  // What the last run left, under what the command line says.
  const std::string settingsFile = options.useSettings ? settingsPath() : std::string();
  std::vector<std::string> unusable;
  Settings settings = settingsFile.empty() ? Settings{} : readSettings(settingsFile, unusable);
  for (const std::string& line : unusable) std::fprintf(stderr, "zod: %s (left out)\n", line.c_str());
  const bool fullScreen = options.windowed ? false : options.fullScreen || settings.fullScreen.value_or(true);
  const Scaling scaling =
      options.scaling != Scaling::Automatic ? options.scaling : settings.scaling.value_or(Scaling::Automatic);
  const WindowPlace* place = settings.window && !options.scaleGiven ? &*settings.window : nullptr;
  SdlWindow window(fullScreen, options.scale, place);
  if (!window.ok()) {
    std::fprintf(stderr, "%s\n", window.problem().c_str());
    return FAILED;
  }
  SdlDisplay display(window, fullScreen, scaling);
  SteadyMillisecondCounter steady;
  PausableCounter counter(steady);
  Platform platform{window, display, counter};
  platform.loop.pausable = &counter;
  platform.loop.screenshots = true;
  platform.loop.shotsFolder = options.shotsFolder;
  platform.loop.nowMs = &steadyNowMs;
  platform.loop.sleepUntil = &sleepUntilMs;
  platform.loop.log = log.get();
  // Owned here, so it outlives the seeks' fresh shows and is at hand for the settings at the end.
  SoundLevel sound = options.sound;
  sound.volumePercent = settings.volumePercent.value_or(sound.volumePercent);
  sound.muted = settings.muted.value_or(sound.muted);
  platform.loop.sound = &sound;

  ShowOptions showOptions;
  showOptions.music.openOutput = options.mute ? &SilentAudioOutput::open : &SdlAudioOutput::open;
  showOptions.music.syncOffsetMs = options.syncOffsetMs;
  // The first scene's start is the ordinary start; any show time, even 0, runs the skip.
  int scene = 0;
  const bool late = !options.start.empty() && !(parseSceneNumber(options.start, scene) && startMicros == 0);
  platform.loop.frameIntervalMs = intervalMs;
  if (!options.end.empty()) platform.loop.endMs = static_cast<double>(endMicros) / 1000.0;
  // Without vsync the loop would run flat out, and the jumps that lose speed per frame would shrink.
  platform.loop.displayInterval = [&display] { return display.hasVsync() ? 0.0 : 1000.0 / display.refreshRate(); };
  int code = runShowFrom(platform, showOptions, late || options.study ? startMicros : FROM_THE_START, options.study);
  if (!settingsFile.empty()) {
    settings.window = window.windowedPlace();
    settings.fullScreen = window.fullScreen();
    settings.scaling = scaling;
    settings.volumePercent = sound.volumePercent;
    settings.muted = sound.muted;
    std::string why;
    // Not the output anybody asked for: the show's own exit code stands.
    if (!writeSettings(settingsFile, settings, why))
      std::fprintf(stderr, "zod: cannot write the settings %s: %s\n", settingsFile.c_str(), why.c_str());
  }
  // A run log that could not be written in full is a failed output, reported by the loop.
  if (code == 0 && log && !log->writeFailure().empty()) code = FAILED;
  return fatalReported() ? FAILED : code;
}
