// The arpeggio of a bar: eighths and sixteenths, bells, plucks and choir chops, each with its echo.
#include <array>
#include <cstdint>

#include "tools/music/NoteWriters.h"
#include "tools/music/Synth.h"
#include "tools/music/Themes.h"

namespace music {

void writeArpeggio(Score& score, int row0, const Block& b, Chord chord, double f, int i) {
  const ChordShape& sh = shapeOf(chord);
  const auto& figure = ARP_FIGURES[static_cast<std::size_t>(b.variant % 4)];
  auto echo = [&](int row, int midi, std::uint8_t instrument, double v) {
    score.note(row + ECHO_DELAY, ARP_ECHO_CH, midi, instrument, v * 0.35);
    score.command(row + ECHO_DELAY, ARP_ECHO_CH, PANNING, 0x48);
  };
  switch (b.arp) {
    case Arp::None: return;
    case Arp::Sixteenths:
      // Eighths for the first half of every four bars, sixteenths for the second: the figure
      // doubles up as the phrase goes on instead of running on in one pattern.
      for (int s = 0; s < 16; s += i % 4 < 2 ? 2 : 1) {
        const int midi = score.tone(sh.tones[static_cast<std::size_t>(figure[static_cast<std::size_t>(s)])] + 12);
        const double v = (s % 2 == 0 ? 24 : 17) * f;
        score.note(row0 + s, ARP_CH, midi, ARP, v);
        if (s % 4 == 0) score.command(row0 + s, ARP_CH, PANNING, 0xB8);
        if (s % 4 == 0) echo(row0 + s, midi, ARP, v);
      }
      return;
    case Arp::Bells: {
      static constexpr std::array<std::array<int, 5>, 4> STEPS{{{0, 3, 6, 10, 12}, {0, 4, 6, 8, 14},
                                                                {0, 2, 6, 10, 11}, {0, 3, 8, 11, 14}}};
      static constexpr std::array<std::array<int, 5>, 4> TONES{{{0, 2, 4, 5, 3}, {1, 3, 5, 4, 2},
                                                                {0, 4, 2, 5, 3}, {2, 0, 3, 5, 4}}};
      const std::size_t k = static_cast<std::size_t>((b.variant + i / 4) % 4);
      for (std::size_t j = 0; j < 5; ++j) {
        const int midi = score.tone(sh.tones[static_cast<std::size_t>(TONES[k][j])] + 12);
        const double v = (j == 0 ? 30 : 22) * f;
        score.note(row0 + STEPS[k][j], ARP_CH, midi, BELL, v);
        echo(row0 + STEPS[k][j], midi, BELL, v);
      }
      return;
    }
    case Arp::Plucks:
      for (int s = 0; s < 16; s += 2) {
        if (s % 8 == 6 && i % 2) continue;
        const int midi = score.tone(sh.tones[static_cast<std::size_t>(figure[static_cast<std::size_t>(s)])] + 12);
        score.note(row0 + s, ARP_CH, midi, PLUCK, (s % 4 == 0 ? 30 : 22) * f);
        if (s % 4 == 2) echo(row0 + s, midi, PLUCK, 26 * f);
      }
      return;
    case Arp::VoxChops:
      // Short choir syllables on chord tones, each started at another point of the sample (9xx).
      for (int s : {0, 3, 6, 10, 12}) {
        const int midi = score.tone(sh.tones[static_cast<std::size_t>((s / 3 + i) % 4)] + 12);
        score.note(row0 + s, ARP_CH, midi, VOX, 34 * f);
        score.command(row0 + s, ARP_CH, SAMPLE_OFFSET, static_cast<std::uint8_t>(0x10 + 0x18 * ((s + i) % 4)));
        score.off(row0 + s + 2, ARP_CH);
      }
      return;
  }
}

void bendUp(Score& score, int row0, Chord chord) {
  for (int s = 0; s < 16; ++s)
    if (score.inside(row0 + s)) score.at(row0 + s, ARP_CH) = {};
  score.note(row0, ARP_CH, score.tone(shapeOf(chord).tones[3] + 12), STAB, 26);
  for (int s = 1; s < 16; ++s) score.command(row0 + s, ARP_CH, SLIDE_UP, 0x06);
  score.off(row0 + 16, ARP_CH);
}

}  // namespace music
