// zod: the show, and the tools around it as subcommands.
//
//   zod [--window [--scale N]] [--assets DIR] [--sync-offset MS]
//   zod lab --assets DIR --script FILE --out DIR [--png] [--hashes FILE]
//
// Each subcommand registers its options in a function of its own and runs from its callback, so
// adding one is one more add...Command call below.

#include <CLI/CLI.hpp>

#include <iostream>

#include "app/Lab.h"
#include "app/Program.h"

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
  Outcome outcome;
  addShowOptions(app, programOptions);
  addLabCommand(app, labOptions, outcome);

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
