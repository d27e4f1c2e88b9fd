#pragma once
// Writes the piece into its pattern rows: the parts block by block and bar by bar, the sync cues,
// and the tempo rows that keep the module in step with the show's clock.

#include <cstdint>
#include <vector>

#include "tools/music/Arrangement.h"
#include "tools/music/Score.h"
#include "tools/xm/XmWriter.h"

namespace music {

class Composer {
 public:
  explicit Composer(int bars) : score(bars) {}

  // Semitones above A minor for the blocks played from now on.
  void setKey(int semitones) { score.setKey(semitones); }
  void play(int startBar, const Block& block);
  void cue(int row, std::uint8_t code);
  void keepTime();

  const std::vector<std::vector<xm::Cell>>& rows() const { return score.rows(); }

 private:
  void bar(int startBar, const Block& b, int i);

  Score score;
};

}  // namespace music
