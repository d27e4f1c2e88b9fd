#include "tools/music/Composer.h"

#include <algorithm>
#include <cstddef>

#include "tools/music/NoteWriters.h"
#include "tools/music/Synth.h"

namespace music {
namespace {

// How loud bar `i` of a block is, its dynamics applied to its level.
double level(const Block& b, int i) {
  double f = 1.0;
  switch (b.dynamics) {
    case Dynamics::Rise: f = 0.3 + 0.7 * (i + 1) / b.bars; break;
    case Dynamics::Fall: f = b.bars > 1 ? 1.0 - 0.6 * i / (b.bars - 1) : 1.0; break;
    case Dynamics::FadeOut: f = b.bars > 1 ? 1.0 - 0.9 * i / (b.bars - 1) : 1.0; break;
    case Dynamics::Steady: break;
  }
  return f * b.level;
}

}  // namespace

void Composer::play(int startBar, const Block& block) {
  for (int i = 0; i < block.bars; ++i) bar(startBar, block, i);
  // A riser left over from a build shorter than the riser stops where the next part begins.
  if (block.ending == Ending::Build) score.off((startBar + block.bars) * ROWS_PER_BAR, FX_CH);
}

void Composer::cue(int row, std::uint8_t code) { score.at(row, CUE_CHANNEL) = {.effect = xm::EFFECT_Z, .param = code}; }

// At 44100 Hz the player rounds a tick at 120 bpm (918.75 frames) down to 918, which would make
// the piece 0.08 % fast and put it 1.2 s ahead of the show by the end. Three rows in every 32 at
// 119 bpm (926 frames a tick) make every two bars exactly 4 s again: 29 * 5508 + 3 * 5556 = 176400.
// They share the cue channel, whose cues sit on beats and so never on these rows.
void Composer::keepTime() {
  for (int row = 0; row < static_cast<int>(score.rows().size()); ++row) {
    const int phase = row % 32;
    xm::Cell& c = score.at(row, CUE_CHANNEL);
    if (phase == 1 || phase == 13 || phase == 25) c.effect = TEMPO_CMD, c.param = TEMPO - 1;
    if (phase == 2 || phase == 14 || phase == 26) c.effect = TEMPO_CMD, c.param = TEMPO;
  }
}

void Composer::bar(int startBar, const Block& b, int i) {
  const int row0 = (startBar + i) * ROWS_PER_BAR;
  const std::size_t n = b.progression.size();
  const Chord chord = b.progression[static_cast<std::size_t>(i) % n];
  const bool chordChanges = i == 0 || b.progression[static_cast<std::size_t>(i - 1) % n] != chord;
  const bool lastBar = i == b.bars - 1;
  const double f = level(b, i);
  // Builds take the last two bars, or four in a long block of an odd variant.
  const int buildBars = std::min(b.bars >= 8 && b.variant % 2 ? 4 : 2, b.bars);
  const bool building = b.ending == Ending::Build && i >= b.bars - buildBars;
  const bool filling = b.ending == Ending::Fill && lastBar && b.drums != Drums::None;

  if (i == 0 && b.crash) score.hit(row0, CRASH_CH, CRASH, 30 * std::min(1.0, b.level + 0.1));
  if (i == 0 && b.hit) {
    score.hit(row0, KICK_CH, KICK, 64, score.tone(60));
    score.hit(row0, CRASH_CH, CRASH, 34);
    score.hit(row0, CLAP_CH, TOM, 50, 48);
    score.command(row0, CLAP_CH, SLIDE_DOWN, 0x08);  // the tom falls away under the crash
  }
  writeDrums(score, row0, b, f, building ? buildBars - (b.bars - i) + 1 : 0, buildBars, building || filling);
  if (building) writeBuild(score, row0, b, i - (b.bars - buildBars), buildBars);
  if (filling) writeFill(score, row0, b);
  // The last bar of a build holds back, without the kick and with the rest quieter, so that the
  // drop after it lands louder and deeper.
  const bool holdBack = building && lastBar;
  if (holdBack)
    for (int s = 0; s < ROWS_PER_BAR; ++s)
      if (score.at(row0 + s, KICK_CH).instrument == KICK) score.at(row0 + s, KICK_CH) = {};
  const double tonal = holdBack ? 0.4 * f : f;
  writeBassLine(score, row0, b, chord, chordChanges, lastBar, tonal, holdBack);
  if (b.bass == Bass::Acid || b.acid) writeAcidLine(score, row0, b, chord, i, tonal);
  writeChords(score, row0, b, chord, chordChanges, lastBar, tonal,
              i + 1 < b.bars ? b.progression[static_cast<std::size_t>(i + 1) % n] : chord);
  writeArpeggio(score, row0, b, chord, tonal, i);
  writeMelody(score, row0, b, chord, i, lastBar, tonal);
  // The bass and the acid stop for the last two beats of a build: the drop brings the low end back.
  if (holdBack)
    for (int ch : {BASS_CH, ACID_CH}) {
      for (int s = ROWS_PER_BAR / 2; s < ROWS_PER_BAR; ++s) score.at(row0 + s, ch) = {};
      score.at(row0 + ROWS_PER_BAR / 2, ch).note = xm::NOTE_OFF;
    }
  if (building && lastBar && b.variant % 4 == 3) silenceLastBeat(score, row0);
  if (building && lastBar && b.variant % 4 == 2) bendUp(score, row0, chord);
}

}  // namespace music
