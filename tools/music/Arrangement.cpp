#include "tools/music/Arrangement.h"

#include <algorithm>

namespace music {
namespace {

Part presentsPart() {
  return {
      {.bars = 2, .progression = {Am}, .chords = Chords::Pad, .ending = Ending::Build, .dynamics = Dynamics::Rise,
       .level = 0.35, .variant = 1},
      {.bars = 10, .progression = SLOW, .bass = Bass::Long, .chords = Chords::Pad, .arp = Arp::Bells, .hit = true,
       .level = 0.39},
      {.bars = 3, .progression = {F, G, E}, .drums = Drums::Pulse, .bass = Bass::Long, .chords = Chords::Pad,
       .arp = Arp::Sixteenths, .ending = Ending::Build, .dynamics = Dynamics::Rise, .level = 0.65, .variant = 0},
  };
}

Part titleBuildPart(bool withTheme, int variant) {
  return {
      {.bars = 8, .progression = MAIN, .drums = Drums::Four, .hats = withTheme ? 2 : 1, .bass = Bass::Offbeat,
       .chords = Chords::Pad, .arp = Arp::Sixteenths, .lead = withTheme ? Lead::ThemeC : Lead::None,
       .crash = true, .level = withTheme ? 0.8 : 0.92, .variant = variant, .ride = withTheme},
      {.bars = 4, .progression = MAIN, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling, .chords = Chords::Pad,
       .arp = Arp::Sixteenths, .lead = withTheme ? Lead::ThemeAHigh : Lead::None, .ending = Ending::Fill,
       .level = withTheme ? 0.84 : 0.97, .variant = variant + 1, .acid = withTheme},
      {.bars = 3, .progression = {F, G, E}, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling,
       .chords = Chords::Pad, .arp = Arp::Sixteenths, .ending = Ending::Build, .level = withTheme ? 0.84 : 0.97,
       .variant = variant + 2},
  };
}

Part titleBreakdownPart() {
  return {
      {.bars = 8, .progression = MAIN, .bass = Bass::Long, .chords = Chords::Pad, .arp = Arp::Bells,
       .lead = Lead::ThemeA, .level = 0.35, .variant = 1},
      {.bars = 4, .progression = MAIN, .drums = Drums::Half, .hats = 1, .bass = Bass::Offbeat, .chords = Chords::Pad,
       .lead = Lead::ThemeA, .level = 0.42, .variant = 2},
      {.bars = 3, .progression = {F, G, E}, .drums = Drums::Four, .hats = 1, .bass = Bass::Offbeat,
       .chords = Chords::Pad, .arp = Arp::Sixteenths, .ending = Ending::Build, .dynamics = Dynamics::Rise,
       .level = 0.75, .variant = 1},
  };
}

// 15:00, in B minor: the longest breakdown, where the choir comes in.
Part titleBigBreakPart() {
  return {
      {.bars = 16, .progression = SLOW, .bass = Bass::Long, .chords = Chords::VoxPad, .arp = Arp::Bells,
       .crash = true, .level = 0.32, .variant = 2},
      {.bars = 16, .progression = LATE, .drums = Drums::Half, .hats = 1, .bass = Bass::Long, .chords = Chords::Pad,
       .arp = Arp::Plucks, .lead = Lead::ThemeC, .level = 0.42, .variant = 1},
      {.bars = 8, .progression = MAIN, .drums = Drums::Four, .hats = 1, .bass = Bass::Offbeat, .chords = Chords::VoxPad,
       .arp = Arp::Sixteenths, .ending = Ending::Build, .dynamics = Dynamics::Rise, .level = 0.92, .variant = 2},
  };
}

// 20:12, the peak of the show: every instrument, both late and early themes, acid over the bass.
Part finalePart() {
  return {
      {.bars = 8, .progression = LATE, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling, .chords = Chords::VoxPad,
       .arp = Arp::Sixteenths, .lead = Lead::PluckTheme, .ending = Ending::Fill, .crash = true, .variant = 3,
       .ride = true},
      {.bars = 16, .progression = MAIN, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling, .chords = Chords::Pad,
       .arp = Arp::Sixteenths, .lead = Lead::ThemeA, .ending = Ending::Fill, .crash = true, .variant = 1, .acid = true,
       .sweepFrom = 2, .sweepTo = 10, .ride = true},
      {.bars = 16, .progression = LATE, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling,
       .chords = Chords::OffbeatStabs, .arp = Arp::VoxChops, .lead = Lead::ThemeC, .ending = Ending::Fill,
       .crash = true, .variant = 2, .acid = true, .sweepFrom = 10, .sweepTo = 4, .ride = true},
      {.bars = 8, .progression = MAIN, .drums = Drums::Four, .hats = 2, .bass = Bass::Acid, .chords = Chords::GatedPad,
       .arp = Arp::Sixteenths, .lead = Lead::ThemeAHigh, .ending = Ending::Fill, .crash = true, .variant = 3,
       .sweepFrom = 4, .sweepTo = 10, .ride = true},
      {.bars = 8, .progression = SECOND, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling,
       .chords = Chords::VoxPad, .arp = Arp::Sixteenths, .lead = Lead::ThemeB, .ending = Ending::Fill, .crash = true,
       .variant = 0, .acid = true, .ride = true},
      {.bars = 4, .progression = MAIN, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling, .chords = Chords::Pad,
       .arp = Arp::Sixteenths, .lead = Lead::ThemeAHigh, .ending = Ending::Fill, .variant = 2, .ride = true},
  };
}

Part heartMainPart(bool second) {
  const double l = second ? 0.9 : 0.92;
  return {
      {.bars = 8, .progression = second ? LIFT : MAIN, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling,
       .chords = second ? Chords::OffbeatStabs : Chords::Pad, .arp = Arp::Sixteenths, .ending = Ending::Fill,
       .crash = true, .hit = second, .level = l, .variant = second ? 2 : 0, .ride = second},
      {.bars = 16, .progression = MAIN, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling, .chords = Chords::Pad,
       .arp = Arp::Sixteenths, .lead = second ? Lead::ThemeC : Lead::ThemeA, .ending = Ending::Fill, .crash = true,
       .level = l, .variant = second ? 3 : 1, .ride = second},
      {.bars = 16, .progression = second ? SECOND : MAIN, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling,
       .chords = second ? Chords::VoxPad : Chords::Pad, .arp = second ? Arp::VoxChops : Arp::Sixteenths,
       .lead = second ? Lead::ThemeB : Lead::ThemeAHigh, .ending = Ending::Fill, .crash = true, .level = l,
       .variant = second ? 0 : 2, .acid = second, .ride = second},
      {.bars = 8, .progression = second ? LATE : MAIN, .bass = Bass::Long,
       .chords = second ? Chords::VoxPad : Chords::Pad, .arp = Arp::Bells,
       .lead = second ? Lead::PluckTheme : Lead::BellTheme, .level = 0.35, .variant = second ? 3 : 0},
      {.bars = 8, .progression = second ? MAIN : SECOND, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling,
       .chords = Chords::Pad, .arp = Arp::Sixteenths, .lead = second ? Lead::ThemeAHigh : Lead::ThemeB,
       .ending = Ending::Fill, .crash = true, .level = l, .variant = second ? 1 : 3, .acid = second},
      {.bars = 4, .progression = MAIN, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling,
       .chords = Chords::OffbeatStabs, .arp = Arp::Sixteenths, .ending = Ending::Fill, .level = l,
       .variant = second ? 2 : 0},
  };
}

Part heartAcidPart() {
  return {
      {.bars = 8, .progression = MAIN, .drums = Drums::Four, .hats = 2, .bass = Bass::Acid,
       .chords = Chords::OffbeatStabs, .ending = Ending::Fill, .crash = true, .level = 0.92, .variant = 0,
       .sweepFrom = 0, .sweepTo = 6},
      {.bars = 16, .progression = SECOND, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling,
       .chords = Chords::Pad, .arp = Arp::Sixteenths, .lead = Lead::ThemeB, .ending = Ending::Fill, .crash = true,
       .level = 0.97, .variant = 1},
      {.bars = 8, .progression = MAIN, .drums = Drums::Four, .hats = 2, .bass = Bass::Acid, .chords = Chords::Pad,
       .arp = Arp::Sixteenths, .lead = Lead::ThemeAHigh, .ending = Ending::Fill, .crash = true, .level = 0.97,
       .variant = 2, .sweepFrom = 4, .sweepTo = 10},
      {.bars = 8, .progression = MAIN, .drums = Drums::Half, .hats = 1, .bass = Bass::Long, .chords = Chords::Pad,
       .arp = Arp::Bells, .dynamics = Dynamics::Fall, .level = 0.39, .variant = 1},
  };
}

Part heartReturnPart() {
  return {
      {.bars = 16, .progression = MAIN, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling,
       .chords = Chords::OffbeatStabs, .arp = Arp::Sixteenths, .lead = Lead::ThemeA, .ending = Ending::Fill,
       .crash = true, .level = 0.97, .variant = 2, .acid = true, .sweepFrom = 0, .sweepTo = 8},
      {.bars = 16, .progression = SECOND, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling,
       .chords = Chords::GatedPad, .arp = Arp::Sixteenths, .lead = Lead::ThemeB, .ending = Ending::Fill,
       .crash = true, .level = 0.97, .variant = 3},
      {.bars = 8, .progression = DESCENT, .drums = Drums::Four, .hats = 2, .bass = Bass::Acid, .chords = Chords::Pad,
       .arp = Arp::Sixteenths, .lead = Lead::Hook, .ending = Ending::Build, .crash = true, .level = 0.97,
       .variant = 1, .sweepFrom = 6, .sweepTo = 10},
  };
}

// The sphere is the show's calm: 80 s without a full beat. Its return in B minor has the choir and
// the late theme on the pluck instead of the bells.
Part spherePart(bool second) {
  return {
      {.bars = 16, .progression = second ? LATE : SLOW, .bass = Bass::Long,
       .chords = second ? Chords::VoxPad : Chords::Pad, .arp = Arp::Bells, .level = 0.32, .variant = second ? 3 : 0},
      {.bars = 16, .progression = second ? SLOW : MAIN, .drums = Drums::Half, .bass = Bass::Long,
       .chords = Chords::Pad, .lead = second ? Lead::PluckTheme : Lead::BellTheme, .level = 0.35,
       .variant = second ? 2 : 1, .ride = second},
      {.bars = 8, .progression = second ? LIFT : MAIN, .drums = Drums::Pulse, .hats = 1, .bass = Bass::Offbeat,
       .chords = Chords::Pad, .arp = Arp::Sixteenths, .ending = Ending::Build, .dynamics = Dynamics::Rise,
       .level = 0.7, .variant = second ? 1 : 3},
  };
}

// A rise of whatever length the scene has, then three bars of build.
Part squareTunnelBuildPart(int variant) {
  return {
      {.bars = STRETCH, .progression = SECOND, .drums = Drums::Half, .hats = 1, .bass = Bass::Offbeat,
       .chords = Chords::Pad, .arp = Arp::Sixteenths, .dynamics = Dynamics::Rise, .level = 0.7, .variant = variant},
      {.bars = 3, .progression = {F, G, E}, .drums = Drums::Four, .hats = 2, .bass = Bass::Offbeat,
       .chords = Chords::Pad, .arp = Arp::Sixteenths, .ending = Ending::Build, .level = 0.92, .variant = variant},
  };
}

// The four square-tunnel peaks: the hook each time in another setting.
Part squareTunnelPeakPart(int which) {
  switch (which) {
    case 0:
      return {{.bars = 7, .progression = DESCENT, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling,
               .chords = Chords::OffbeatStabs, .arp = Arp::Sixteenths, .lead = Lead::Hook, .ending = Ending::Fill,
               .crash = true, .level = 1.0, .variant = 0}};
    case 1:
      return {{.bars = 7, .progression = DESCENT, .drums = Drums::Four, .hats = 2, .bass = Bass::Acid,
               .chords = Chords::GatedPad, .arp = Arp::None, .lead = Lead::Hook, .ending = Ending::Fill,
               .crash = true, .level = 1.0, .variant = 1, .sweepFrom = 4, .sweepTo = 10}};
    case 2:
      return {{.bars = 7, .progression = LATE, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling,
               .chords = Chords::VoxPad, .arp = Arp::VoxChops, .lead = Lead::Hook, .ending = Ending::Fill,
               .crash = true, .level = 0.85, .variant = 2, .acid = true, .ride = true}};
    default:
      return {{.bars = 7, .progression = LIFT, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling,
               .chords = Chords::OffbeatStabs, .arp = Arp::Plucks, .lead = Lead::Hook, .ending = Ending::Build,
               .crash = true, .level = 1.0, .variant = 3, .acid = true, .sweepFrom = 10, .sweepTo = 2, .ride = true}};
  }
}

// The tunnel's three visits: acid opening up over a hypnotic bass, then the late theme's pluck over
// a descent, then the darkest, in B minor with the ride. Each lands with a hit and a bright acid.
Part tunnelPart(int visit) {
  const Progression& first = visit == 2 ? DARK : HYPNOTIC;
  const Progression& middle = visit == 0 ? HYPNOTIC : visit == 1 ? DESCENT : DARK;
  return {
      {.bars = 8, .progression = first, .drums = Drums::Four, .hats = 2, .bass = Bass::Acid,
       .chords = visit == 2 ? Chords::VoxPad : Chords::OffbeatStabs, .lead = visit == 2 ? Lead::Sequence : Lead::None,
       .ending = Ending::Fill, .crash = true, .hit = true, .level = 1.0, .variant = visit, .sweepFrom = 6,
       .sweepTo = 4, .ride = visit == 2, .hold = visit > 0},
      {.bars = 16, .progression = middle, .drums = Drums::Four, .hats = 2, .bass = Bass::Acid,
       .arp = visit == 1 ? Arp::Plucks : Arp::None, .lead = visit == 1 ? Lead::PluckTheme : Lead::Sequence,
       .ending = Ending::Fill, .crash = true, .level = 0.97, .variant = visit + 1, .sweepFrom = 2, .sweepTo = 10,
       .ride = visit >= 1, .hold = true},
      {.bars = 8, .progression = first, .drums = Drums::Four, .hats = 2, .bass = Bass::Acid,
       .chords = visit == 1 ? Chords::OffbeatStabs : visit == 2 ? Chords::VoxPad : Chords::Pad,
       .lead = Lead::Sequence, .ending = Ending::Fill, .crash = true, .level = 1.0, .variant = visit + 2,
       .sweepFrom = 10, .sweepTo = 10, .ride = visit >= 1},
      // The first visit leads into a quiet rise, so it winds down instead of building.
      {.bars = 5, .progression = {F, F, G, G, E}, .drums = Drums::Four, .hats = 2, .bass = Bass::Acid,
       .chords = Chords::Pad, .arp = Arp::Sixteenths, .ending = visit == 0 ? Ending::Fill : Ending::Build,
       .dynamics = visit == 0 ? Dynamics::Fall : Dynamics::Steady, .level = 0.97, .variant = visit + 1,
       .sweepFrom = 8, .sweepTo = 2},
  };
}

// A plane part bridges the scenes around it, whatever its length: it takes their key and groove,
// and `into` says what comes next.
enum class Into { Peak, Calm, Same };
Part planePart(int variant, const Progression& progression, bool fourToTheFloor, Into into) {
  const Lead leads[] = {Lead::Hook, Lead::Sequence, Lead::Hook, Lead::PluckTheme, Lead::None};
  const bool late = variant >= 5;
  Block b{.bars = STRETCH, .progression = progression, .drums = fourToTheFloor ? Drums::Four : Drums::Broken,
          .hats = 2, .bass = variant % 3 == 1 ? Bass::Acid : Bass::Electro,
          .chords = variant % 2 ? Chords::ElectroStabs : Chords::OffbeatStabs,
          .arp = variant % 4 == 3 ? Arp::Sixteenths : Arp::None,
          .lead = leads[(variant + (late ? 1 : 0)) % 5], .ending = into == Into::Peak ? Ending::Build : Ending::Fill,
          .crash = true, .level = into == Into::Calm ? 0.8 : 0.97, .variant = variant, .acid = late && variant % 3 == 2,
          .sweepFrom = variant % ACID_STEPS, .sweepTo = (variant * 3 + 2) % ACID_STEPS, .ride = late, .hold = true};
  if (into == Into::Calm) b.dynamics = Dynamics::Fall;
  if (b.lead == Lead::PluckTheme && !late) b.lead = Lead::Hook;
  return {b};
}

Part outroPart() {
  return {
      {.bars = 8, .progression = MAIN, .drums = Drums::Pulse, .bass = Bass::Long, .chords = Chords::VoxPad,
       .lead = Lead::BellTheme, .crash = true, .dynamics = Dynamics::Fall, .level = 0.7, .variant = 2},
      {.bars = 2, .progression = {F, E}, .bass = Bass::Long, .chords = Chords::Pad, .arp = Arp::Bells, .level = 0.32,
       .variant = 1},
  };
}

// The last chord is struck, fades for two bars and is released, so that it has died away when the
// end cue stops the show; the bars after it are silent.
Part finalChordPart() {
  return {
      {.bars = 2, .progression = {Am}, .bass = Bass::Long, .chords = Chords::VoxPad, .hit = true,
       .dynamics = Dynamics::FadeOut, .level = 0.42, .hold = true},
      {.bars = STRETCH, .progression = {Am}},
  };
}

}  // namespace

std::vector<PlannedPart> arrangement() {
  return {
      {{"presents", 1}, presentsPart()},
      {{"title", 1}, titleBuildPart(false, 0)},
      {{"heart", 1}, heartMainPart(false)},
      {{"heart", 2}, heartAcidPart()},
      {{"sphere", 1}, spherePart(false)},
      {{"squaretunnel", 1}, squareTunnelBuildPart(0)},
      {{"plane", 1}, planePart(0, DESCENT, false, Into::Same)},
      {{"heart", 3}, heartReturnPart()},
      {{"plane", 2}, planePart(1, DESCENT, true, Into::Peak)},
      {{"tunnel", 1}, tunnelPart(0)},
      {{"squaretunnel", 2}, squareTunnelBuildPart(1)},
      {{"squaretunnel", 3}, squareTunnelPeakPart(0)},
      {{"plane", 3}, planePart(2, DESCENT, false, Into::Calm)},
      {{"title", 2}, titleBreakdownPart()},
      {{"plane", 4}, planePart(3, MAIN, true, Into::Peak)},
      {{"tunnel", 2}, tunnelPart(1)},
      {{"plane", 5}, planePart(4, DESCENT, true, Into::Peak)},
      {{"squaretunnel", 4}, squareTunnelPeakPart(1)},
      {{"plane", 6}, planePart(1, HYPNOTIC, false, Into::Peak)},
      {{"heart", 4}, heartMainPart(true)},
      {{"plane", 7}, planePart(5, MAIN, false, Into::Calm)},
      {{"title", 3}, titleBigBreakPart()},
      {{"plane", 8}, planePart(6, MAIN, true, Into::Peak)},
      {{"squaretunnel", 5}, squareTunnelPeakPart(2)},
      {{"plane", 9}, planePart(7, LATE, false, Into::Same)},
      {{"title", 4}, titleBuildPart(true, 2)},
      {{"plane", 10}, planePart(8, DESCENT, true, Into::Peak)},
      {{"tunnel", 3}, tunnelPart(2)},
      {{"plane", 11}, planePart(9, DARK, true, Into::Peak)},
      {{"squaretunnel", 6}, squareTunnelPeakPart(3)},
      {{"plane", 12}, planePart(10, LIFT, true, Into::Peak)},
      {{"title", 5}, finalePart()},
      {{"plane", 13}, planePart(11, LATE, false, Into::Calm)},
      {{"sphere", 2}, spherePart(true)},
      {{"plane", 14}, planePart(12, SLOW, false, Into::Same)},
      {{"squaretunnel", 7}, squareTunnelBuildPart(2)},
      {{"plane", 15}, planePart(13, DESCENT, false, Into::Calm)},
      {{"end", 1}, outroPart()},
      {{"end", 2}, finalChordPart()},
  };
}

// The first plane's variant, or the first late one's: the hook over the descent, on a straight beat.
Part bridgePart(bool late) { return planePart(late ? 5 : 0, DESCENT, true, Into::Same); }

Part fitted(Part part, int bars) {
  const auto stretch = std::ranges::find(part, STRETCH, &Block::bars);
  if (stretch == part.end()) return part;
  int left = bars;
  for (const Block& block : part)
    if (block.bars != STRETCH) left -= block.bars;
  if (left > 0)
    stretch->bars = left;
  else
    part.erase(stretch);
  return part;
}

bool isPeak(const Block& b) { return b.drums == Drums::Four && b.level >= 0.9 && b.ending != Ending::Build; }

}  // namespace music
