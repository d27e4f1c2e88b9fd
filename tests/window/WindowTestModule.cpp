// Writes a tiny looping module for the real-window test: a quiet tone and a cue on row 8, so the
// show has music to load when no composed one exists yet. Leaves a module already there alone.
// With --no-cues the module has none, so every cue the show takes is a key's repeat.
// Usage: zod_window_module ASSET_DIR [--no-cues]

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "show/MusicPlayer.h"
#include "tools/xm/XmWriter.h"

int main(int argc, char** argv) {
  const bool cues = argc == 2;
  if (argc != 2 && !(argc == 3 && std::string(argv[2]) == "--no-cues")) {
    std::fprintf(stderr, "usage: %s ASSET_DIR [--no-cues]\n", argv[0]);
    return 2;
  }
  const std::string path = (std::filesystem::path(argv[1]) / MUSIC_FILE).string();
  std::error_code ec;
  if (std::filesystem::exists(path, ec)) return 0;
  xm::XmModule song;
  song.name = "window test";
  song.channels = 2;
  song.patterns.push_back(xm::Pattern(16, song.channels));
  song.patterns[0].at(0, 0) = {.note = xm::note(4, 0), .instrument = 1, .volume = xm::volume(16)};
  if (cues) song.patterns[0].at(8, 1) = {.effect = xm::EFFECT_Z, .param = 2};
  song.orders = {0};

  xm::Sample tone;
  tone.name = "sine";
  for (int i = 0; i < 64; ++i)
    tone.pcm.push_back(static_cast<std::int16_t>(std::lround(8000.0 * std::sin(i * 2.0 * M_PI / 64.0))));
  tone.loop = xm::Loop::Forward;
  tone.loopLength = 64;
  xm::Instrument instrument;
  instrument.name = "sine";
  instrument.samples.push_back(tone);
  song.instruments.push_back(instrument);

  if (!xm::saveXm(path, song)) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return 1;
  }
  return 0;
}
