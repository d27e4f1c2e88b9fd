// zod: the show, and the tools around it as subcommands.
//
//   zod [--window [--scale N] | --fullscreen] [--scaling integer|fit] [--mute] [--fps F] [--start T|#N]
//       [--end T|#N] [--assets DIR] [--shots DIR] [--log FILE]
//   zod --version | --list-scenes | --list-cues [--start T]
//   zod lab [--assets DIR] --script FILE --out DIR [--png] [--hashes FILE]
//   zod capture OUT.mp4|OUT.mkv [-y] [--fps F] [--scale K] [--from T] [--to T] [--assets DIR] ...
//   zod still T|#N OUT.png [-y] [--assets DIR] [--fps F]
//
// Each subcommand registers its options in a function of its own and runs from its callback, so
// adding one is one more add...Command call below.

#include <CLI/CLI.hpp>
#include <SDL.h>
#include <libopenmpt/libopenmpt.h>
extern "C" {
#include <libavutil/avutil.h>
}

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <new>
#include <system_error>

#include "app/MainThreadAllocations.h"
#include "app/Program.h"
#include "app/SceneList.h"
#include "base/Fatal.h"
#include "base/TimeArguments.h"
#include "base/WriteFailure.h"
#include "capture/Capture.h"
#include "lab/Lab.h"
#include "stage/ShowFiles.h"
#include "stage/ShowScenes.h"

#ifndef ZOD_VERSION
#define ZOD_VERSION "unknown"
#endif
// What zod is, in the words of the project's DESCRIPTION in CMake, which the package and the
// desktop entry say too.
#ifndef ZOD_DESCRIPTION
#error "the build defines ZOD_DESCRIPTION from the project's DESCRIPTION"
#endif

namespace {
// Parse and usage errors end with this code.
constexpr int USAGE_ERROR = 2;
// Help lines: the option column, then descriptions wrapped to fit 80 columns.
constexpr std::size_t OPTION_COLUMN = 26;
constexpr std::size_t HELP_WIDTH = 80;

struct Outcome {
  int exitCode = 0;
};

// Breaks a description into lines that fit beside the option column.
std::string wrap(const std::string& text) {
  const std::size_t width = HELP_WIDTH - OPTION_COLUMN - 1;
  std::string out;
  std::size_t lineLength = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(start, end - start);
    if (lineLength > 0 && lineLength + 1 + word.size() > width) {
      out += '\n';
      lineLength = 0;
    } else if (lineLength > 0) {
      out += ' ';
      ++lineLength;
    }
    out += word;
    lineLength += word.size();
    start = end + 1;
  }
  return out;
}

void tidyHelp(CLI::App& app) {
  auto formatter = std::make_shared<CLI::Formatter>();
  formatter->column_width(OPTION_COLUMN);
  formatter->label("REQUIRED", "");
  app.formatter(formatter);
}

// The validator of every option that takes a moment of the show.
std::string showMomentCheck(const std::string& text) {
  return isShowMoment(text) ? std::string() : "not a show time or scene: " + text;
}

void addShowOptions(CLI::App& app, ProgramOptions& options) {
  app.add_flag("--window", options.windowed, wrap("Play in an ordinary window, not full screen"));
  app.add_flag("--fullscreen", options.fullScreen, wrap("Play full screen (the default)"));
  app.add_option("--scale", options.scale, wrap("Window size as N x 512 x 384 (with --window; 1 to 8, made smaller to fit the screen)"))
      ->check(CLI::Range(1, 8).description(""))
      ->type_name("N");
  app.add_option_function<std::string>(
         "--scaling",
         [&options](const std::string& name) { options.scaling = name == "fit" ? Scaling::Fit : Scaling::Integer; },
         wrap("How the picture is enlarged: integer (whole multiples, sharp) or fit (the largest size, sharp then "
              "smoothed); default: integer where it fills 75% of the height, else fit"))
      ->check(CLI::IsMember({"integer", "fit"}).description(""))
      ->type_name("integer|fit");
  app.add_flag("--mute", options.mute,
               wrap("No sound: the music runs on a silent clock and its cues come as with sound"));
  app.add_option("--fps", options.frameRate,
                 wrap("Show at most F frames a second (such as 60 or 59.94); default: the display's pace"))
      ->type_name("F");
  app.add_option("--start", options.start,
                 wrap("Start at show time T (seconds, m:ss or 95000ms) or at scene #N of --list-scenes"))
      ->type_name("T|#N")
      ->check(showMomentCheck);
  app.add_option("--end", options.end, wrap("End the show by itself at show time T or at scene #N"))
      ->type_name("T|#N")
      ->check(showMomentCheck);
  app.add_flag("--study", options.study,
               wrap("Study the show frame by frame, silent, from --start: , and . step a frame (Shift: a second), "
                    "Home and End go to the first and last frame, PgUp and PgDn (or [ and ]) to a scene's first, "
                    "O the overlays, Space plays on live with the music"));
  app.add_option("--assets", options.assetDir,
                 wrap("Read the pictures and the music from DIR (default: ZOD_ASSETS, else the current folder, the "
                      "build's beside the program or the installed one)"))
      ->type_name("DIR");
  app.add_option("--sync-offset", options.syncOffsetMs,
                 wrap("Deliver the music's cues MS milliseconds later (display or audio latency)"))
      ->type_name("MS");
  app.add_option("--shots", options.shotsFolder, wrap("F12 writes its pictures in DIR (default: the current folder)"))
      ->type_name("DIR");
  app.add_flag("--no-settings", [&options](std::int64_t) { options.useSettings = false; },
               wrap("Neither read nor write the settings file (window place, full screen, scaling, volume), "
                    "see below"));
  app.add_option("--log", options.logPath,
                 wrap("Write a run log to FILE: every cue with its frame and scene, memory every 10 s, "
                      "frame-time percentiles, allocations (also ZOD_LOG=FILE)"))
      ->type_name("FILE");
}

void addCaptureCommand(CLI::App& app, CaptureOptions& options, Outcome& outcome) {
  auto* capture = app.add_subcommand("capture", "Render the show offline to a video file with its music");
  capture->footer("Exit codes: 0 done; 1 an error (no file is left); 2 a bad argument;\n"
                  "130 Ctrl+C, 143 SIGTERM: stopped, the file holds every frame up to there.");
  tidyHelp(*capture);
  capture->add_option("out", options.outPath, wrap("OUT.mp4 (H.264 + AAC) or OUT.mkv (lossless video + FLAC)"))
      ->required()
      ->type_name("OUT");
  capture->add_flag("-y,--overwrite", options.overwrite, wrap("Replace OUT if it exists"));
  capture->add_option("--fps", options.frameRate, wrap("Frames a second: 60 (default), 50, 59.94 or 60000/1001"))
      ->type_name("F");
  capture->add_option("--scale", options.scale,
                      wrap("Scale the 512 x 384 screen by K, nearest-neighbour (default 2 for .mp4, 1 for .mkv)"))
      ->check(CLI::Range(1, 8).description(""))
      ->type_name("K");
  capture->add_option("--codec", options.codec,
                      wrap("Video codec: h264 (.mp4); x264rgb (default), ffv1, utvideo or magicyuv (.mkv)"))
      ->type_name("C");
  capture->add_option("--from", options.from, wrap("Start the video at show time T or at scene #N"))->type_name("T|#N");
  capture->add_option("--to", options.to, wrap("End the video at show time T or at scene #N"))->type_name("T|#N");
  capture->add_option("--assets", options.assetDir, wrap("Read the pictures and the music from DIR"))->type_name("DIR");
  capture
      ->add_option("--preset", options.preset,
                   wrap("libx264 preset (h264, x264rgb): ultrafast (default), superfast ... veryslow (smaller)"))
      ->type_name("P");
  capture->add_option("--crf", options.crf, wrap("H.264 quality (.mp4 only), 0 (lossless) to 51 (default 18)"))
      ->check(CLI::Range(0, 51).description(""))
      ->type_name("N");
  static bool noProgress = false;
  capture->add_flag("--no-progress", noProgress, wrap("No progress line on stderr"));
  capture->add_flag("--verbose", options.verbose, wrap("Print the time spent rendering, scaling and encoding"));
  capture->callback([&options, &outcome] {
    options.progress = !noProgress;
    outcome.exitCode = runCapture(options, std::cout, std::cerr);
  });
}

void addStillCommand(CLI::App& app, StillOptions& options, Outcome& outcome) {
  auto* still = app.add_subcommand("still", "Write the screen at one show time as a PNG");
  tidyHelp(*still);
  still->add_option("time", options.time, wrap("Show time T (seconds, m:ss or 95000ms) or scene #N of --list-scenes"))
      ->required()
      ->type_name("T|#N");
  still->add_option("out", options.outPath, wrap("OUT.png"))->required()->type_name("OUT");
  still->add_flag("-y,--overwrite", options.overwrite, wrap("Replace OUT.png if it exists"));
  still->add_option("--assets", options.assetDir, wrap("Read the pictures and the music from DIR"))->type_name("DIR");
  still->add_option("--fps", options.frameRate, wrap("The frame rate of the capture it matches (default 60)"))
      ->type_name("F");
  still->callback([&options, &outcome] { outcome.exitCode = runStill(options, std::cout, std::cerr); });
}

void addLabCommand(CLI::App& app, LabOptions& options, Outcome& outcome) {
  auto* lab = app.add_subcommand("lab", "Render frames from a script, without a window or sound");
  tidyHelp(*lab);
  lab->add_option("--assets", options.assetDir, wrap("Read the pictures from DIR"))->type_name("DIR");
  lab->add_option("--script", options.scriptPath, wrap("The lab script"))->required()->type_name("FILE");
  lab->add_option("--out", options.outDir, wrap("Write frame-KKKKK.raw here"))->required()->type_name("DIR");
  lab->add_flag("--png", options.png, wrap("Also write frame-KKKKK.png"));
  lab->add_option("--hashes", options.hashesPath, wrap("Also write one hash per frame to FILE"))->type_name("FILE");
  lab->callback([&options, &outcome] { outcome.exitCode = runLab(options, std::cout, std::cerr); });
}

void printVersion() {
  SDL_version sdl;
  SDL_GetVersion(&sdl);
  // libopenmpt hands over a copy of the string, which is ours to free.
  const char* openmpt = openmpt_get_string("library_version");
  std::printf("zod %s\nlibopenmpt %s\nSDL %d.%d.%d\nFFmpeg %s\n", ZOD_VERSION, openmpt ? openmpt : "?", sdl.major,
              sdl.minor, sdl.patch, av_version_info());
  openmpt_free_string(openmpt);
}

// The scenes need only the music, from the folder the show would read.
int printScenes(const std::string& assetDir) {
  chooseAssetDirectory(assetDir);
  std::vector<SceneStart> scenes;
  std::string error;
  if (!listScenes(scenes, error)) {
    std::fprintf(stderr, "zod: %s\n", error.c_str());
    return 1;
  }
  std::printf("  #  scene          starts at\n");
  for (const SceneStart& s : scenes)
    std::printf("%3d  %-13s  %s\n", s.number, s.scene, formatShowTime(s.startMs).c_str());
  return 0;
}

// The cues from show time `start` on (all when empty), with the scene each is taken in.
int printCues(const std::string& assetDir, const std::string& start) {
  chooseAssetDirectory(assetDir);
  std::vector<CueDelivery> cues;
  double showEndMs = 0.0;
  std::string error;
  std::int64_t fromMicros = 0;
  if (!listCues(cues, showEndMs, error) || (!start.empty() && !showMomentMicros(start, fromMicros, error))) {
    std::fprintf(stderr, "zod: %s\n", error.c_str());
    return 1;
  }
  const double fromMs = static_cast<double>(fromMicros) / 1000.0;
  if (fromMs > showEndMs) {
    std::fprintf(stderr, "zod: --start %s is past the end of the show (%s)\n", start.c_str(),
                 formatShowTime(showEndMs).c_str());
    return USAGE_ERROR;
  }
  std::printf("cues from %s on (%.3f ms)\n", formatShowTime(fromMs).c_str(), fromMs);
  std::printf("   #  at            ms            code  scene\n");
  for (const CueDelivery& c : cues) {
    if (c.atMs < fromMs) continue;
    std::printf("%4d  %-12s  %12.3f  %4d  %5d %s\n", c.number, formatShowTime(c.atMs).c_str(), c.atMs, c.code, c.scene,
                c.name);
  }
  return 0;
}

// Every argument error is one line in the program's voice, naming the subcommand it is in.
std::string argumentError(const CLI::App* app, const CLI::Error& error) {
  std::string prefix = app->get_name();
  const CLI::App* where = app;
  for (const CLI::App* sub : app->get_subcommands()) {
    prefix += " " + sub->get_name();
    where = sub;
  }
  std::string text = error.what();
  // CLI11 counts a repeated option as too many values.
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&error))
    for (const CLI::Option* option : where->get_options())
      if (option->get_expected_max() == 1 && option->count() > 1)
        text = option->get_name() + " is given " + std::to_string(option->count()) + " times; give it once";
  return prefix + ": " + text + " (--help lists the options)\n";
}

// "--name=" with nothing after the sign would take the next argument as its value.
void refuseEmptyValues(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--") return;
    if (argument.rfind("--", 0) == 0 && argument.size() > 3 && argument.back() == '=' &&
        argument.find('=') == argument.size() - 1)
      throw CLI::ValidationError(argument + " has no value; give it as " + argument + "VALUE");
  }
}

// Output that could not be written in full (a full disk, a closed file) is a fault like any other.
int afterOutputWritten(int code) {
  errno = 0;
  std::cout.flush();
  if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0 && std::cout.good()) return code;
  std::fprintf(stderr, "zod: cannot write to standard output: %s\n", writeFailureCause(errno).c_str());
  return code == 0 ? 1 : code;
}

int run(int argc, char** argv) {
  CLI::App app{"zod: " ZOD_DESCRIPTION
               ".\n"
               "Keys: Escape ends the show, Pause, Space or P pauses it, F12 saves the screen\n"
               "as a PNG, F11 or Alt+Enter switch full screen, Left/Right seek 10 s back or on,\n"
               "PgUp/PgDn (or [ and ]) go to the previous or next scene, + and - (or =) set the\n"
               "volume, M mutes, I shows an information line, S while paused studies the show\n"
               "(see --study); modifier and media keys do nothing; any other key repeats the\n"
               "latest music cue.\n"
               "Exit codes: 0 the show ended, 1 a fault was reported, 2 a bad argument."};
  app.name("zod");
  app.footer("Settings: the window's place, full screen or not, the scaling and the volume are\n"
             "remembered in $XDG_CONFIG_HOME/zod/settings (else ~/.config/zod/settings); the\n"
             "command line wins over them.");
  app.failure_message(argumentError);
  tidyHelp(app);
  app.require_subcommand(0, 1);

  ProgramOptions programOptions;
  LabOptions labOptions;
  CaptureOptions captureOptions;
  StillOptions stillOptions;
  Outcome outcome;
  bool version = false;
  bool listScenesWanted = false;
  bool listCuesWanted = false;
  app.add_flag("--version", version, wrap("Print the versions of zod and its libraries"));
  app.add_flag("--list-scenes", listScenesWanted, wrap("List the 39 scenes with the show time each starts at"));
  app.add_flag("--list-cues", listCuesWanted,
               wrap("List the music's cues with the show time and scene each is taken in (from --start T on)"));
  addShowOptions(app, programOptions);
  addLabCommand(app, labOptions, outcome);
  addCaptureCommand(app, captureOptions, outcome);
  addStillCommand(app, stillOptions, outcome);

  try {
    refuseEmptyValues(argc, argv);
    app.parse(argc, argv);
    if (version + listScenesWanted + listCuesWanted > 1)
      throw CLI::ValidationError("--version, --list-scenes and --list-cues exclude each other; give one");
    if (programOptions.windowed && programOptions.fullScreen)
      throw CLI::ValidationError("--window", "and --fullscreen exclude each other");
    programOptions.scaleGiven = app.count("--scale") > 0;
    if (programOptions.scaleGiven && !programOptions.windowed)
      throw CLI::ValidationError("--scale", "only with --window (full screen fills the screen)");
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return USAGE_ERROR;
  }
  if (version) {
    printVersion();
    return 0;
  }
  if (listScenesWanted) return printScenes(programOptions.assetDir);
  if (listCuesWanted) return printCues(programOptions.assetDir, programOptions.start);
  if (app.get_subcommands().empty()) {
    if (programOptions.logPath.empty())
      if (const char* logPath = std::getenv("ZOD_LOG")) programOptions.logPath = logPath;
    programOptions.allocationCount = &allocationsOnThisThread;
    return runProgram(programOptions);
  }
  return outcome.exitCode;
}
}  // namespace

int main(int argc, char** argv) {
  // Past the file size limit a write fails with EFBIG, which the writers report, instead of the
  // signal ending the process with a half-written file.
  std::signal(SIGXFSZ, SIG_IGN);
  try {
    return afterOutputWritten(run(argc, argv));
  } catch (const std::bad_alloc&) {
    // Whatever ran out, nothing more is drawn or written: the one message, and a failing exit.
    showFatal(OUT_OF_MEMORY);
    return 1;
  } catch (const std::system_error& e) {
    // A thread that cannot be started lacks the memory for its stack.
    if (e.code() == std::errc::resource_unavailable_try_again || e.code() == std::errc::not_enough_memory)
      showFatal(OUT_OF_MEMORY);
    else
      std::fprintf(stderr, "zod: %s\n", e.what());
    return 1;
  }
}
