#pragma once
// Where each timeline entry starts and in which entry each of the music's cues is taken, worked
// out from the timeline's durations and the cue table alone, by the sequencer's rules, with the
// music and the show clock starting together: a skip cue moves to the next entry at once, on the
// old entry's clock; an entry whose time is over starts the next one with a clock of its own; a
// closing scene's own code ends the show. Nothing is rendered, so a walk takes no time and its
// moments are those of a perfect machine (a live run is off by at most a frame per scene change).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "show/CueTable.h"

class SceneWalk {
 public:
  // Whether taking `code` in timeline entry `entry` ends the show.
  using EndsShow = std::function<bool(int entry, std::uint8_t code)>;

  // The entry of a cue taken before the first frame, when no scene runs yet.
  static constexpr int BEFORE_START = -1;
  // The entry of a cue that comes after the show has ended.
  static constexpr int AFTER_END = -2;

  SceneWalk() = default;
  SceneWalk(const CueTable& cues, const EndsShow& endsShow);

  int entryCount() const { return static_cast<int>(starts.size()); }
  // The music's time, in ms, at which entry `entry` starts.
  double entryStartMs(int entry) const { return starts[static_cast<std::size_t>(entry)]; }

  std::size_t cueCount() const { return cueTimes.size(); }
  double cueMs(std::size_t cue) const { return cueTimes[cue]; }
  std::uint8_t cueCode(std::size_t cue) const { return codes[cue]; }
  // The entry that takes cue `cue`, BEFORE_START or AFTER_END.
  int cueEntry(std::size_t cue) const { return takenIn[cue]; }

  // The music's time at which the show ends: a closing scene's cue, else the last entry's end.
  double endMs() const { return end; }

 private:
  std::vector<double> starts;
  std::vector<double> cueTimes;
  std::vector<std::uint8_t> codes;
  std::vector<int> takenIn;
  double end = 0.0;
};
