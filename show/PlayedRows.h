#pragma once
// Every row of a module in playing order with the sample it starts at, learnt as the cue table
// learns its cues (libopenmpt plays the rows with every channel muted), so a view of the patterns
// can follow the music: a cue's sample is the first sample of the row holding its Zxx.

#include <cstdint>
#include <span>
#include <vector>

#include "show/SampleRate.h"

class PlayedRows {
 public:
  struct Row {
    std::uint64_t sample;
    std::uint16_t order;
    std::uint16_t pattern;
    std::uint16_t row;
    bool operator==(const Row&) const = default;
  };

  // False when the renderer refuses the module; the list is then empty.
  bool compute(std::span<const std::uint8_t> module, int sampleRate = static_cast<int>(SAMPLE_RATE));

  std::span<const Row> rows() const { return entries; }
  // Samples the song plays before it ends.
  std::uint64_t songFrames() const { return length; }

 private:
  std::vector<Row> entries;
  std::uint64_t length = 0;
};
