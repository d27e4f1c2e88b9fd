#pragma once
// Every Zxx event of a module with the sample its row starts at, in playing order, and the length
// of the song in samples: what the module renderer reports while playing, learnt without mixing
// (libopenmpt plays the rows with every channel muted), so a seek knows the cues before the
// moment it goes to in a fraction of a second.

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

class CueTable {
 public:
  struct Cue {
    std::uint64_t sample;
    std::uint8_t code;
    bool operator==(const Cue&) const = default;
  };

  // False when the renderer refuses the module; the table is then empty.
  bool compute(std::span<const std::uint8_t> module);
  // A table learnt elsewhere and handed over (the web page's copy), its cues in playing order.
  void assign(std::vector<Cue> learnt, std::uint64_t songLength) {
    entries = std::move(learnt);
    length = songLength;
  }

  std::span<const Cue> cues() const { return entries; }
  // Samples the song plays before it ends.
  std::uint64_t songFrames() const { return length; }
  // The index of the first cue stamped at or after `sample` (cues().size() when none is).
  std::size_t firstAtOrAfter(std::uint64_t sample) const;
  // The latest cue stamped at or before `sample`, or null.
  const Cue* latestAtOrBefore(std::uint64_t sample) const;

 private:
  std::vector<Cue> entries;
  std::uint64_t length = 0;
};
