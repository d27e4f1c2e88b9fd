// The drums of a bar: the grooves, the builds before a drop and the fills at the end of a phrase.
#include <array>
#include <cstdint>

#include "tools/music/NoteWriters.h"
#include "tools/music/Synth.h"

namespace music {
namespace {

// A fixed pseudo-random value in [-1, 1) for a row of the song and a purpose: humanised velocities
// and ghost notes that differ from bar to bar yet come out the same on every run.
double scatter(int row, int purpose) {
  Noise n(static_cast<std::uint32_t>(row * 7919 + purpose * 104729 + 1));
  n.next();
  return n.next();
}

}  // namespace

void writeDrums(Score& score, int row0, const Block& b, double f, int buildStep, int buildBars, bool noClaps) {
  const bool lastBuildBar = buildStep > 0 && buildStep == buildBars;
  const int barNumber = row0 / ROWS_PER_BAR;
  for (int s = 0; s < 16; ++s) {
    const int row = row0 + s;
    const double human = scatter(row, 1);
    switch (b.drums) {
      case Drums::None: break;
      case Drums::Pulse:
        if (s % 4 == 0) score.hit(row, KICK_CH, KICK, 44 * f, score.tone(60));
        break;
      case Drums::Four:
        if (s % 4 == 0 && !(lastBuildBar && s >= 12)) score.hit(row, KICK_CH, KICK, 63, score.tone(60));
        // Every fourth bar of some grooves the kick pushes into the next bar.
        if (s == 15 && b.variant % 4 == 2 && barNumber % 4 == 3 && buildStep == 0)
          score.hit(row, KICK_CH, KICK, 38, score.tone(60));
        if ((s == 4 || s == 12) && !noClaps) {
          score.hit(row, CLAP_CH, CLAP, 44 * f);
          if (b.variant % 4 == 1 && s == 12)
            score.command(row, CLAP_CH, EXTENDED, NOTE_DELAY | 1);  // a late, lazy clap
        }
        // Ghost snares cut in behind their attack (9xx), placed differently from bar to bar.
        if (b.hats >= 2 && !noClaps && (s == 7 || s == 10 || s == 15) && human > 0.35) {
          score.hit(row, CLAP_CH, SNARE, 20 * f);
          score.command(row, CLAP_CH, SAMPLE_OFFSET, 0x06);
        }
        break;
      case Drums::Half:
        if (s == 0) score.hit(row, KICK_CH, KICK, 54 * f, score.tone(60));
        if (s == 10) score.hit(row, KICK_CH, KICK, 36 * f, score.tone(60));
        if (s == 8 && !noClaps) score.hit(row, CLAP_CH, CLAP, 34 * f);
        break;
      case Drums::Broken:
        if (s == 0 || s == 6 || s == 10 || (s == 13 && barNumber % 2))
          score.hit(row, KICK_CH, KICK, s == 0 ? 60 : 48, score.tone(60));
        if ((s == 4 || s == 12) && !noClaps) score.hit(row, CLAP_CH, s == 12 ? SNARE : CLAP, 38 * f);
        break;
    }
    if (b.drums == Drums::None) continue;
    // The last bar of a build keeps only its roll and a few quiet hats, so that the drop lands.
    if (lastBuildBar) {
      if (s % 4 == 0) score.hit(row, CLOSED_HAT_CH, CLOSED_HAT, 14 * f, 60 + s / 4 % HAT_SAMPLES);
      continue;
    }
    const bool offbeat = s % 4 == 2;
    if (b.hats >= 1 && offbeat && b.drums != Drums::Broken) score.hit(row, OPEN_HAT_CH, OPEN_HAT, (24 + 3 * human) * f);
    if (b.drums == Drums::Broken && s == 14) score.hit(row, OPEN_HAT_CH, OPEN_HAT, 22 * f);
    if (b.hats >= 2 && !(offbeat && b.drums != Drums::Broken)) {
      // Hats accented by the groove's figure and played a little unevenly, as a drummer would.
      static constexpr std::array<std::array<int, 4>, 4> ACCENTS{{{26, 16, 20, 16}, {24, 14, 18, 22},
                                                                  {26, 18, 14, 20}, {22, 16, 24, 14}}};
      const int accent =
          ACCENTS[static_cast<std::size_t>((b.variant + barNumber / 2) % 4)][static_cast<std::size_t>(s % 4)];
      score.hit(row, CLOSED_HAT_CH, CLOSED_HAT, (accent + 3 * human) * f, 60 + s % HAT_SAMPLES);
    }
    if (b.hats == 1 && b.drums == Drums::Half && s % 2 == 0 && !offbeat)
      score.hit(row, CLOSED_HAT_CH, CLOSED_HAT, 16 * f, 60 + s % HAT_SAMPLES);
    if (b.drums == Drums::Four && b.hats >= 2 && s % 2 == 1)
      score.hit(row, PERC_CH, SHAKER, (s % 4 == 3 ? 24 : 21) * f + 3 * scatter(row, 3), 60 + s / 2 % SHAKER_SAMPLES);
    if (b.ride && s % 4 == 0) score.hit(row, PERC_CH, RIDE, (s == 0 ? 30 : 22) * f);
    if (b.ride && b.drums == Drums::Four && s % 4 == 2 && scatter(row, 2) > 0.3) score.hit(row, PERC_CH, RIDE, 14 * f);
  }
}

// Four kinds of build, so that no two drops are prepared the same way.
void writeBuild(Score& score, int row0, const Block& b, int step, int bars) {
  const int kind = b.variant % 4;
  const bool last = step == bars - 1;
  const double progress0 = static_cast<double>(step) / bars;
  // The rolls stop rising in the last bar, which holds back so that the drop lands louder.
  const double hold = last ? 0.55 : 1.0;
  if (step == 0) {
    // The riser lasts two bars; a shorter build starts it part of the way in, a longer one later.
    if (bars == 1) {
      score.hit(row0, FX_CH, RISER, 34);
      score.command(row0, FX_CH, SAMPLE_OFFSET, static_cast<std::uint8_t>(RISER_FRAMES / 2 / 256));
    }
  }
  if (bars >= 2 && step == bars - 2) score.hit(row0, FX_CH, RISER, 30 + 4 * (kind % 2));
  for (int s = 0; s < 16; ++s) {
    const int row = row0 + s;
    const double progress = progress0 + s / (16.0 * bars);
    switch (kind) {
      case 0:  // a snare roll from eighths to sixteenths, rolled faster still by retriggers at the end
        if (!last && s % 2 && step < bars - 1) break;
        if (step + 2 < bars && s % 4) break;
        score.hit(row, CLAP_CH, SNARE, (16 + 44 * progress) * hold);
        if (last && s >= 8)
          score.command(row, CLAP_CH, EXTENDED, static_cast<std::uint8_t>(RETRIGGER | (s >= 12 ? 2 : 3)));
        break;
      case 1:  // the kick doubles up, the clap rolls in on the last beats
        if (s % (last ? 1 : step + 2 >= bars ? 2 : 4) == 0 && !(last && s >= 14))
          score.hit(row, KICK_CH, KICK, (30 + 30 * progress) * hold, score.tone(60));
        if (last && s >= 8 && s % 2 == 0) {
          score.hit(row, CLAP_CH, CLAP, (30 + 30 * progress) * hold);
          score.command(row, CLAP_CH, EXTENDED, static_cast<std::uint8_t>(RETRIGGER | (s >= 12 ? 1 : 3)));
        }
        break;
      case 2:  // claps in eighths, a tom run and a chord that bends upwards
        if (s % 2 == 0) score.hit(row, CLAP_CH, CLAP, (20 + 36 * progress) * hold);
        if (last && s >= 8 && s % 2 == 0) {
          score.hit(row, CRASH_CH, TOM, 44, 64 - (s - 8));
          score.command(row, CRASH_CH, SLIDE_DOWN, 0x10);
        }
        break;
      default:  // a roll that stops dead a beat before the drop (see silenceLastBeat)
        if (last && s >= 12) break;
        if (!last && s % 2) break;
        score.hit(row, CLAP_CH, SNARE, (18 + 40 * progress) * hold);
        if (last && s >= 4)
          score.command(row, CLAP_CH, EXTENDED, static_cast<std::uint8_t>(RETRIGGER | (s >= 8 ? 2 : 3)));
        break;
    }
  }
}

void silenceLastBeat(Score& score, int row0) {
  for (int ch = CLAP_CH; ch < CUE_CHANNEL; ++ch) {
    if ((ch >= PAD1_CH && ch <= PAD3_CH) || ch == ECHO_CH || ch == ARP_ECHO_CH || ch == FX_CH || ch == HOLD_CH)
      continue;
    for (int s = 12; s < 16; ++s) {
      if (!score.inside(row0 + s)) continue;
      xm::Cell& c = score.at(row0 + s, ch);
      if (c.note != xm::NOTE_OFF) c = {};
    }
    score.command(row0 + 12, ch, EXTENDED, NOTE_CUT | 0);
  }
}

void writeFill(Score& score, int row0, const Block& b) {
  switch ((b.variant + row0 / ROWS_PER_BAR / 8) % 4) {
    case 0: {
      // Toms between the kicks, so the two never pile up.
      const int toms[] = {64, 60, 57, 53};
      for (int k = 0; k < 4; ++k) score.hit(row0 + 9 + 2 * k - (k == 3), CRASH_CH, TOM, 42, toms[k]);
      for (int s = 13; s < 16; s += 2) score.hit(row0 + s, CLAP_CH, SNARE, 30);
      break;
    }
    case 1:
      for (int s = 8; s < 16; ++s) score.hit(row0 + s, CLAP_CH, SNARE, 24 + 3 * (s - 8));
      break;
    case 2:  // flams: the second stroke of each pair delayed by a tick or two
      for (int s : {10, 12, 14, 15}) {
        score.hit(row0 + s, CLAP_CH, s == 15 ? SNARE : CLAP, 30 + 2 * s - 20);
        if (s != 12)
          score.command(row0 + s, CLAP_CH, EXTENDED, static_cast<std::uint8_t>(NOTE_DELAY | (s == 15 ? 3 : 2)));
      }
      break;
    default:  // a low tom dropping in pitch and a retriggered snare
      score.hit(row0 + 8, CRASH_CH, TOM, 46, 52);
      score.command(row0 + 8, CRASH_CH, SLIDE_DOWN, 0x0C);
      score.hit(row0 + 12, CLAP_CH, SNARE, 34);
      score.command(row0 + 12, CLAP_CH, EXTENDED, RETRIGGER | 3);
      score.hit(row0 + 14, CLAP_CH, SNARE, 40);
      score.command(row0 + 14, CLAP_CH, EXTENDED, RETRIGGER | 2);
      break;
  }
}

}  // namespace music
