// zod: the show, and the tools around it as subcommands.
//
//   zod [--window [--scale N]] [--assets DIR] [--sync-offset MS]
//   zod lab --assets DIR --script FILE --out DIR [--png] [--hashes FILE]
//   zod capture OUT.mp4|OUT.mkv [--fps F] [--scale K] [--from T] [--to T] [--assets DIR] [--preset P] [--crf N]
//   zod still T OUT.png [--assets DIR] [--fps F]
//
// Each subcommand registers its options in a function of its own and runs from its callback, so
// adding one is one more add...Command call below.

#include <CLI/CLI.hpp>

#include <iostream>

#include "capture/Capture.h"
#include "lab/Lab.h"
#include "app/Program.h"
#include "base/TimeArguments.h"

namespace {
// Parse and usage errors end with this code; the show itself always returns 0.
constexpr int USAGE_ERROR = 2;

struct Outcome {
  int exitCode = 0;
};

void addShowOptions(CLI::App& app, ProgramOptions& options) {
  auto* window = app.add_flag("--window", options.windowed, "Play in a window instead of full screen");
  app.add_option("--scale", options.scale, "Window size as a multiple of 512 x 384 (with --window)")
      ->check(CLI::Range(1, 8))
      ->needs(window);
  app.add_option("--assets", options.assetDir, "Read the pictures and the music from DIR")
      ->type_name("DIR");
  app.add_option("--sync-offset", options.syncOffsetMs,
                 "Deliver the music's sync events MS milliseconds later (display or audio latency)")
      ->type_name("MS");
  app.add_option("--start", options.start,
                 "Start at show time T (seconds, m:ss or 95000ms): the show is run up to there unseen first")
      ->type_name("T")
      ->check([](const std::string& text) {
        std::int64_t micros = 0;
        return parseShowTime(text, micros) ? std::string() : "not a show time: " + text;
      });
}

void addCaptureCommand(CLI::App& app, CaptureOptions& options, Outcome& outcome) {
  auto* capture = app.add_subcommand("capture", "Render the show offline to a video file with its music");
  capture->add_option("out", options.outPath, "OUT.mp4 (H.264 + AAC) or OUT.mkv (lossless video + FLAC)")
      ->required()
      ->type_name("OUT");
  capture->add_option("--fps", options.frameRate, "Frames per second, such as 60, 50 or 60000/1001 (default 60)")
      ->type_name("F");
  capture->add_option("--scale", options.scale, "Scale the 512 x 384 screen by K, nearest-neighbour (default 2 for .mp4, 1 for .mkv)")
      ->check(CLI::Range(1, 8))
      ->type_name("K");
  capture->add_option("--codec", options.codec,
                      "Video codec: h264 (.mp4); x264rgb (default), ffv1, utvideo or magicyuv (.mkv)")
      ->type_name("C");
  capture->add_option("--from", options.from, "Start the video at show time T")
      ->type_name("T");
  capture->add_option("--to", options.to, "End the video at show time T")->type_name("T");
  capture->add_option("--assets", options.assetDir, "Read the pictures and the music from DIR")->type_name("DIR");
  capture->add_option("--preset", options.preset,
                      "libx264 preset: ultrafast (default, fastest), superfast, veryfast ... veryslow (smaller)")
      ->type_name("P");
  capture->add_option("--crf", options.crf, "libx264 quality, 0 (lossless) to 51 (default 18)")
      ->check(CLI::Range(0, 51))
      ->type_name("N");
  capture->add_flag("!--no-progress", options.progress, "No progress line on stderr");
  capture->add_flag("--verbose", options.verbose, "Print the time spent rendering, scaling and encoding");
  capture->callback([&options, &outcome] { outcome.exitCode = runCapture(options, std::cout, std::cerr); });
}

void addStillCommand(CLI::App& app, StillOptions& options, Outcome& outcome) {
  auto* still = app.add_subcommand("still", "Write the screen at one show time as a PNG");
  still->add_option("time", options.time, "Show time T (seconds, m:ss or 95000ms)")->required()->type_name("T");
  still->add_option("out", options.outPath, "OUT.png")->required()->type_name("OUT");
  still->add_option("--assets", options.assetDir, "Read the pictures and the music from DIR")->type_name("DIR");
  still->add_option("--fps", options.frameRate, "The frame rate of the capture it matches (default 60)")
      ->type_name("F");
  still->callback([&options, &outcome] { outcome.exitCode = runStill(options, std::cout, std::cerr); });
}

void addLabCommand(CLI::App& app, LabOptions& options, Outcome& outcome) {
  auto* lab = app.add_subcommand("lab", "Render frames from a script, without a window or sound");
  lab->add_option("--assets", options.assetDir, "Read the pictures from DIR")->required()->type_name("DIR");
  lab->add_option("--script", options.scriptPath, "The lab script")->required()->type_name("FILE");
  lab->add_option("--out", options.outDir, "Write frame-KKKKK.raw here")->required()->type_name("DIR");
  lab->add_flag("--png", options.png, "Also write frame-KKKKK.png");
  lab->add_option("--hashes", options.hashesPath, "Also write one hash per frame to FILE")
      ->type_name("FILE");
  lab->callback([&options, &outcome] { outcome.exitCode = runLab(options, std::cout, std::cerr); });
}
}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"zod: a software-rendered demo show to tracker music.\n"
               "Keys: Escape ends the show; any other key repeats the latest music cue."};
  app.require_subcommand(0, 1);

  ProgramOptions programOptions;
  LabOptions labOptions;
  CaptureOptions captureOptions;
  StillOptions stillOptions;
  Outcome outcome;
  addShowOptions(app, programOptions);
  addLabCommand(app, labOptions, outcome);
  addCaptureCommand(app, captureOptions, outcome);
  addStillCommand(app, stillOptions, outcome);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return USAGE_ERROR;
  }
  if (app.get_subcommands().empty()) return runProgram(programOptions);
  return outcome.exitCode;
}
