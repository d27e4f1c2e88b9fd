#include "tools/music/Song.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

#include "tools/music/Synth.h"

namespace music {
namespace {

// ---- The show's timeline, in bars of 2 s -------------------------------------------------------

const std::vector<Scene> TIMELINE{
    {"PresentsEffect", 15},     {"TitleEffect", 15},        {"HeartEffect", 60},  {"HeartEffect", 40},
    {"SphereEffect", 40},       {"SquareTunnelEffect", 3},  {"PlaneEffect", 7},   {"HeartEffect", 40},
    {"PlaneEffect", 7},         {"TunnelEffect", 37},       {"SquareTunnelEffect", 10},
    {"SquareTunnelEffect", 7},  {"PlaneEffect", 10},        {"TitleEffect", 15},  {"PlaneEffect", 10},
    {"TunnelEffect", 37},       {"PlaneEffect", 10},        {"SquareTunnelEffect", 7},
    {"PlaneEffect", 10},        {"HeartEffect", 60},        {"PlaneEffect", 10},  {"TitleEffect", 40},
    {"PlaneEffect", 10},        {"SquareTunnelEffect", 7},  {"PlaneEffect", 10},  {"TitleEffect", 15},
    {"PlaneEffect", 10},        {"TunnelEffect", 37},       {"PlaneEffect", 10},  {"SquareTunnelEffect", 7},
    {"PlaneEffect", 10},        {"TitleEffect", 60},        {"PlaneEffect", 10},  {"SphereEffect", 40},
    {"PlaneEffect", 10},        {"SquareTunnelEffect", 7},  {"PlaneEffect", 10},  {"EndEffect", 10},
    {"EndEffect", 10},
};

// ---- The sync plan ------------------------------------------------------------------------------
//
// Each scene's cues as spans of bars, counted from the scene's start: from bar `from` up to (not
// including) bar `to`, one cue every `every` rows (16 rows a bar, 4 a beat) starting `offset` rows
// into bar `from`. Codes name the scene they are meant for (2 presents, 3 title, 4 heart, 5 sphere,
// 6 square tunnel, 7 plane, 8 tunnel); only the end scene's 9 (the end of the show) and the skip
// code 1 change anything by their value, and no cue here skips: the music follows the timeline.
//
// The show changes scenes by its own clock, which runs a little ahead of the music (start-up) and
// falls a little behind it (a frame per scene change), so no cue comes within 2 s of a scene's
// nominal start or end. Cues sit on downbeats, on the clap of beats 2 and 4, or on every beat in
// the peaks; never closer than a beat (2 a second), with rests in the breaks.
struct Span {
  int from, to, every, offset;
};
struct SceneCues {
  std::uint8_t code;
  std::vector<Span> spans;
};

const std::vector<SceneCues> SYNC_PLAN{
    /*  0 presents      */ {2, {{2, 3, 16, 0}, {10, 11, 16, 0}}},  // 4 s: the caption appears on the hit
    /*  1 title         */ {3, {{1, 12, 16, 0}, {12, 14, 8, 0}}},
    /*  2 heart         */ {4, {{1, 8, 16, 4}, {8, 40, 8, 4}, {40, 48, 32, 0}, {48, 58, 8, 4}}},
    /*  3 heart         */ {4, {{1, 8, 16, 0}, {8, 32, 8, 4}, {32, 38, 32, 0}}},
    /*  4 sphere        */ {5, {{2, 38, 64, 0}}},
    /*  5 square tunnel */ {6, {{1, 2, 8, 0}}},
    /*  6 plane         */ {7, {{1, 6, 16, 0}}},
    /*  7 heart         */ {4, {{1, 15, 8, 4}, {16, 31, 8, 4}, {32, 38, 8, 4}}},
    /*  8 plane         */ {7, {{1, 6, 16, 0}}},
    /*  9 tunnel        */ {8, {{1, 8, 16, 4}, {8, 24, 8, 4}, {24, 32, 4, 0}, {32, 35, 16, 0}}},
    /* 10 square tunnel */ {6, {{1, 9, 16, 0}}},
    /* 11 square tunnel */ {6, {{1, 6, 8, 0}}},
    /* 12 plane         */ {7, {{1, 9, 16, 0}}},
    /* 13 title         */ {3, {{1, 8, 32, 0}, {8, 12, 16, 0}, {12, 14, 8, 0}}},
    /* 14 plane         */ {7, {{1, 9, 16, 0}}},
    /* 15 tunnel        */ {8, {{1, 8, 16, 4}, {8, 24, 8, 4}, {24, 32, 4, 0}, {32, 35, 16, 0}}},
    /* 16 plane         */ {7, {{1, 9, 16, 8}}},
    /* 17 square tunnel */ {6, {{1, 6, 8, 0}}},
    /* 18 plane         */ {7, {{1, 9, 16, 0}}},
    /* 19 heart         */ {4, {{1, 8, 16, 4}, {8, 40, 8, 4}, {40, 48, 32, 0}, {48, 58, 8, 4}}},
    /* 20 plane         */ {7, {{1, 9, 16, 0}}},
    /* 21 title         */ {3, {{2, 16, 32, 0}, {16, 32, 16, 0}, {32, 38, 8, 0}}},
    /* 22 plane         */ {7, {{1, 9, 16, 0}}},
    /* 23 square tunnel */ {6, {{1, 6, 8, 0}}},
    /* 24 plane         */ {7, {{1, 9, 16, 8}}},
    /* 25 title         */ {3, {{1, 12, 16, 0}, {12, 14, 8, 0}}},
    /* 26 plane         */ {7, {{1, 9, 16, 0}}},
    /* 27 tunnel        */ {8, {{1, 8, 16, 4}, {8, 24, 8, 4}, {24, 32, 4, 0}, {32, 35, 16, 0}}},
    /* 28 plane         */ {7, {{1, 9, 16, 0}}},
    /* 29 square tunnel */ {6, {{1, 6, 8, 0}}},
    /* 30 plane         */ {7, {{1, 9, 16, 8}}},
    /* 31 title         */ {3, {{1, 8, 16, 0}, {8, 40, 16, 0}, {40, 56, 8, 0}, {56, 58, 16, 0}}},
    /* 32 plane         */ {7, {{1, 9, 16, 0}}},
    /* 33 sphere        */ {5, {{2, 38, 64, 0}}},
    /* 34 plane         */ {7, {{1, 9, 16, 0}}},
    /* 35 square tunnel */ {6, {{1, 6, 16, 0}}},
    /* 36 plane         */ {7, {{1, 9, 16, 0}}},
    /* 37 end           */ {0, {}},                 // the outro: a rest, nothing to steer
    /* 38 end           */ {9, {{4, 5, 16, 0}}},  // 25:14, as the last chord fades: the show ends
};

// ---- Harmony and themes -------------------------------------------------------------------------

enum Chord : std::uint8_t { Am, F, C, G, Dm, Em, E };

struct ChordShape {
  std::array<int, 3> pad;    // MIDI notes of the three pad voices, voice-led around middle C
  int bass;                  // root in the bass register
  std::array<int, 6> tones;  // two octaves of chord tones for arpeggios and sequences
  int third;                 // semitones above the root: 3 minor, 4 major
  int seventh;               // the seventh that stays in A minor: 10, or 11 on F and C
};

const ChordShape& shapeOf(Chord c) {
  static const ChordShape shapes[] = {
      /* Am */ {{57, 60, 64}, 45, {57, 60, 64, 69, 72, 76}, 3, 10},
      /* F  */ {{57, 60, 65}, 41, {53, 57, 60, 65, 69, 72}, 4, 11},
      /* C  */ {{55, 60, 64}, 36, {55, 60, 64, 67, 72, 76}, 4, 11},
      /* G  */ {{55, 59, 62}, 43, {55, 59, 62, 67, 71, 74}, 4, 10},
      /* Dm */ {{57, 62, 65}, 38, {57, 62, 65, 69, 74, 77}, 3, 10},
      /* Em */ {{55, 59, 64}, 40, {52, 55, 59, 64, 67, 71}, 3, 10},
      /* E  */ {{56, 59, 64}, 40, {56, 59, 64, 68, 71, 76}, 4, 10},
  };
  return shapes[c];
}

using Progression = std::vector<Chord>;
const Progression MAIN{Am, F, C, G};
const Progression SECOND{F, G, Am, Am, F, G, E, E};
const Progression DESCENT{Am, G, F, E};
const Progression HYPNOTIC{Am, Am, Am, Am, F, F, G, G};
const Progression SLOW{Am, Am, F, F, C, C, G, G};

// A melody note: start in rows from the phrase's start, MIDI note, length in rows.
struct Tone {
  int row, midi, length;
};
struct Theme {
  int bars;
  std::vector<Tone> tones;
};

// The main theme, over MAIN twice.
const Theme THEME_A{8,
                    {{0, 76, 3},   {3, 74, 1},   {4, 72, 2},   {6, 74, 2},   {8, 76, 4},   {12, 81, 2},
                     {14, 79, 2},  {16, 77, 4},  {20, 76, 2},  {22, 72, 2},  {24, 69, 6},  {30, 72, 2},
                     {32, 79, 3},  {35, 76, 1},  {36, 79, 2},  {38, 76, 2},  {40, 72, 4},  {44, 74, 2},
                     {46, 76, 2},  {48, 74, 6},  {54, 71, 2},  {56, 67, 4},  {60, 71, 2},  {62, 74, 2},
                     {64, 76, 3},  {67, 74, 1},  {68, 72, 2},  {70, 74, 2},  {72, 76, 4},  {76, 81, 2},
                     {78, 79, 2},  {80, 77, 4},  {84, 76, 2},  {86, 72, 2},  {88, 81, 4},  {92, 79, 2},
                     {94, 77, 2},  {96, 76, 4},  {100, 79, 2}, {102, 76, 2}, {104, 72, 4}, {108, 74, 2},
                     {110, 76, 2}, {112, 74, 6}, {118, 72, 2}, {120, 71, 4}, {124, 67, 2}, {126, 71, 2}}};

// The second theme, over SECOND: long notes that climb to the leading tone and fall home.
const Theme THEME_B{8,
                    {{0, 81, 6},   {6, 79, 2},   {8, 77, 4},   {12, 76, 4},  {16, 74, 6},  {22, 76, 2},
                     {24, 79, 8},  {32, 76, 12}, {44, 72, 2},  {46, 74, 2},  {48, 76, 4},  {52, 81, 4},
                     {56, 79, 4},  {60, 76, 4},  {64, 81, 6},  {70, 79, 2},  {72, 77, 4},  {76, 81, 4},
                     {80, 83, 6},  {86, 81, 2},  {88, 79, 4},  {92, 74, 4},  {96, 80, 8},  {104, 83, 4},
                     {108, 80, 4}, {112, 76, 12}}};

// The planes' hook, over DESCENT: one figure stepped down the chords.
const Theme HOOK{4,
                 {{0, 69, 2},  {3, 72, 1},  {4, 76, 2},  {6, 81, 2},  {10, 79, 2}, {12, 76, 4},
                  {16, 74, 2}, {19, 71, 1}, {20, 74, 2}, {22, 79, 2}, {26, 77, 2}, {28, 74, 4},
                  {32, 72, 2}, {35, 69, 1}, {36, 72, 2}, {38, 77, 2}, {42, 76, 2}, {44, 72, 4},
                  {48, 71, 4}, {52, 68, 2}, {54, 71, 2}, {56, 76, 6}, {62, 74, 2}}};

// Index into a chord's tones, one per row of a bar.
constexpr std::array<int, 16> ARP_STEPS{0, 1, 2, 3, 4, 5, 4, 3, 1, 2, 3, 4, 5, 4, 3, 2};
constexpr std::array<int, 16> SEQUENCE_STEPS{0, 3, 0, 2, 0, 4, 0, 3, 0, 1, 0, 2, 3, 2, 1, 0};

// ---- Arrangement --------------------------------------------------------------------------------

enum class Drums { None, Pulse, Four, Half, Broken };
enum class Bass { None, Long, Offbeat, Rolling, Acid, Electro };
enum class Chords { None, Pad, OffbeatStabs, ElectroStabs };
enum class Arp { None, Sixteenths, Bells };
enum class Lead { None, ThemeA, ThemeAHigh, ThemeB, Hook, Sequence, BellTheme };
enum class Ending { None, Fill, Build };
enum class Dynamics { Steady, Rise, Fall, FadeOut };

// A run of bars with one texture. A scene's part is a list of blocks.
struct Block {
  int bars;
  Progression progression;  // one chord a bar, repeated
  Drums drums = Drums::None;
  int hats = 0;  // 0 none, 1 open hats on the off-beats, 2 and closed sixteenths
  Bass bass = Bass::None;
  Chords chords = Chords::None;
  Arp arp = Arp::None;
  Lead lead = Lead::None;
  Ending ending = Ending::None;
  bool crash = false;  // a crash on the first downbeat
  bool hit = false;    // a deep hit (kick, low tom, crash) on the first downbeat
  Dynamics dynamics = Dynamics::Steady;
};

using Part = std::vector<Block>;

// The part of every kind of scene. Variants keep recurring scenes from sounding the same.
Part presentsPart() {
  return {
      {.bars = 2, .progression = {Am}, .chords = Chords::Pad, .ending = Ending::Build, .dynamics = Dynamics::Rise},
      {.bars = 10, .progression = SLOW, .bass = Bass::Long, .chords = Chords::Pad, .arp = Arp::Bells, .hit = true},
      {.bars = 3, .progression = {F, G, E}, .drums = Drums::Pulse, .bass = Bass::Long, .chords = Chords::Pad,
       .arp = Arp::Sixteenths, .ending = Ending::Build, .dynamics = Dynamics::Rise},
  };
}

Part titleBuildPart(bool withTheme) {
  return {
      {.bars = 8, .progression = MAIN, .drums = Drums::Four, .hats = withTheme ? 2 : 1, .bass = Bass::Offbeat,
       .chords = Chords::Pad, .arp = Arp::Sixteenths, .lead = withTheme ? Lead::ThemeA : Lead::None,
       .crash = true, .dynamics = withTheme ? Dynamics::Steady : Dynamics::Rise},
      {.bars = 4, .progression = MAIN, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling, .chords = Chords::Pad,
       .arp = Arp::Sixteenths, .lead = withTheme ? Lead::ThemeAHigh : Lead::None, .ending = Ending::Fill},
      {.bars = 3, .progression = {F, G, E}, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling,
       .chords = Chords::Pad, .arp = Arp::Sixteenths, .ending = Ending::Build},
  };
}

Part titleBreakdownPart() {
  return {
      {.bars = 8, .progression = MAIN, .bass = Bass::Long, .chords = Chords::Pad, .arp = Arp::Bells,
       .lead = Lead::ThemeA},
      {.bars = 4, .progression = MAIN, .drums = Drums::Half, .hats = 1, .bass = Bass::Offbeat, .chords = Chords::Pad,
       .lead = Lead::ThemeA},
      {.bars = 3, .progression = {F, G, E}, .drums = Drums::Four, .hats = 1, .bass = Bass::Offbeat,
       .chords = Chords::Pad, .arp = Arp::Sixteenths, .ending = Ending::Build, .dynamics = Dynamics::Rise},
  };
}

Part titleBigBreakPart() {
  return {
      {.bars = 16, .progression = SLOW, .bass = Bass::Long, .chords = Chords::Pad, .arp = Arp::Bells, .crash = true},
      {.bars = 16, .progression = SECOND, .drums = Drums::Half, .hats = 1, .bass = Bass::Long, .chords = Chords::Pad,
       .lead = Lead::ThemeB},
      {.bars = 8, .progression = MAIN, .drums = Drums::Four, .hats = 1, .bass = Bass::Offbeat, .chords = Chords::Pad,
       .arp = Arp::Sixteenths, .ending = Ending::Build, .dynamics = Dynamics::Rise},
  };
}

Part finalePart() {
  return {
      {.bars = 8, .progression = MAIN, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling, .chords = Chords::Pad,
       .arp = Arp::Sixteenths, .crash = true},
      {.bars = 16, .progression = MAIN, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling, .chords = Chords::Pad,
       .arp = Arp::Sixteenths, .lead = Lead::ThemeA, .ending = Ending::Fill, .crash = true},
      {.bars = 16, .progression = SECOND, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling,
       .chords = Chords::Pad, .arp = Arp::Sixteenths, .lead = Lead::ThemeB, .ending = Ending::Fill, .crash = true},
      {.bars = 8, .progression = MAIN, .drums = Drums::Four, .hats = 2, .bass = Bass::Acid,
       .chords = Chords::OffbeatStabs, .arp = Arp::Sixteenths, .lead = Lead::ThemeAHigh, .ending = Ending::Fill,
       .crash = true},
      {.bars = 8, .progression = SECOND, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling,
       .chords = Chords::Pad, .arp = Arp::Sixteenths, .lead = Lead::ThemeB, .ending = Ending::Fill, .crash = true},
      {.bars = 4, .progression = MAIN, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling, .chords = Chords::Pad,
       .ending = Ending::Fill},
  };
}

Part heartMainPart(bool second) {
  return {
      {.bars = 8, .progression = MAIN, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling,
       .chords = second ? Chords::OffbeatStabs : Chords::Pad, .arp = Arp::Sixteenths, .ending = Ending::Fill,
       .crash = true},
      {.bars = 16, .progression = MAIN, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling, .chords = Chords::Pad,
       .arp = Arp::Sixteenths, .lead = Lead::ThemeA, .ending = Ending::Fill, .crash = true},
      {.bars = 16, .progression = second ? SECOND : MAIN, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling,
       .chords = Chords::Pad, .arp = Arp::Sixteenths, .lead = second ? Lead::ThemeB : Lead::ThemeAHigh,
       .ending = Ending::Fill, .crash = true},
      {.bars = 8, .progression = MAIN, .bass = Bass::Long, .chords = Chords::Pad, .arp = Arp::Bells,
       .lead = second ? Lead::ThemeAHigh : Lead::BellTheme},
      {.bars = 8, .progression = second ? MAIN : SECOND, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling,
       .chords = Chords::Pad, .arp = Arp::Sixteenths, .lead = second ? Lead::ThemeAHigh : Lead::ThemeB,
       .ending = Ending::Fill, .crash = true},
      {.bars = 4, .progression = MAIN, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling,
       .chords = Chords::OffbeatStabs, .arp = Arp::Sixteenths, .ending = Ending::Fill},
  };
}

Part heartAcidPart() {
  return {
      {.bars = 8, .progression = MAIN, .drums = Drums::Four, .hats = 2, .bass = Bass::Acid,
       .chords = Chords::OffbeatStabs, .ending = Ending::Fill, .crash = true},
      {.bars = 16, .progression = SECOND, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling,
       .chords = Chords::Pad, .arp = Arp::Sixteenths, .lead = Lead::ThemeB, .ending = Ending::Fill, .crash = true},
      {.bars = 8, .progression = MAIN, .drums = Drums::Four, .hats = 2, .bass = Bass::Acid, .chords = Chords::Pad,
       .arp = Arp::Sixteenths, .lead = Lead::ThemeAHigh, .ending = Ending::Fill, .crash = true},
      {.bars = 8, .progression = MAIN, .drums = Drums::Half, .hats = 1, .bass = Bass::Long, .chords = Chords::Pad,
       .arp = Arp::Bells, .dynamics = Dynamics::Fall},
  };
}

Part heartReturnPart() {
  return {
      {.bars = 16, .progression = MAIN, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling,
       .chords = Chords::OffbeatStabs, .arp = Arp::Sixteenths, .lead = Lead::ThemeA, .ending = Ending::Fill,
       .crash = true},
      {.bars = 16, .progression = SECOND, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling,
       .chords = Chords::Pad, .arp = Arp::Sixteenths, .lead = Lead::ThemeB, .ending = Ending::Fill, .crash = true},
      {.bars = 8, .progression = MAIN, .drums = Drums::Four, .hats = 2, .bass = Bass::Acid, .chords = Chords::Pad,
       .arp = Arp::Sixteenths, .lead = Lead::ThemeAHigh, .ending = Ending::Fill, .crash = true},
  };
}

Part spherePart() {
  return {
      {.bars = 16, .progression = SLOW, .bass = Bass::Long, .chords = Chords::Pad, .arp = Arp::Bells},
      {.bars = 16, .progression = MAIN, .drums = Drums::Half, .bass = Bass::Long, .chords = Chords::Pad,
       .lead = Lead::BellTheme},
      {.bars = 8, .progression = MAIN, .drums = Drums::Pulse, .hats = 1, .bass = Bass::Offbeat, .chords = Chords::Pad,
       .arp = Arp::Sixteenths, .dynamics = Dynamics::Rise},
  };
}

Part squareTunnelBuildPart(int bars) {
  Part part;
  if (bars > 3)
    part.push_back({.bars = bars - 3, .progression = SECOND, .drums = Drums::Half, .hats = 1, .bass = Bass::Offbeat,
                    .chords = Chords::Pad, .arp = Arp::Sixteenths, .dynamics = Dynamics::Rise});
  part.push_back({.bars = 3, .progression = {F, G, E}, .drums = Drums::Four, .hats = 2, .bass = Bass::Offbeat,
                  .chords = Chords::Pad, .arp = Arp::Sixteenths, .ending = Ending::Build});
  return part;
}

Part squareTunnelPeakPart(int bars) {
  return {
      {.bars = bars, .progression = DESCENT, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling,
       .chords = Chords::OffbeatStabs, .arp = Arp::Sixteenths, .lead = Lead::Hook, .ending = Ending::Fill,
       .crash = true},
  };
}

Part planePart(int bars, int variant) {
  const Lead leads[] = {Lead::Hook, Lead::Sequence, Lead::Hook, Lead::None};
  return {
      {.bars = bars, .progression = DESCENT, .drums = Drums::Broken, .hats = 2, .bass = Bass::Electro,
       .chords = Chords::ElectroStabs, .arp = variant == 3 ? Arp::Sixteenths : Arp::None, .lead = leads[variant % 4],
       .ending = Ending::Fill, .crash = true},
  };
}

Part tunnelPart(int variant) {
  return {
      {.bars = 8, .progression = HYPNOTIC, .drums = Drums::Four, .hats = variant == 0 ? 1 : 2, .bass = Bass::Acid,
       .lead = variant == 2 ? Lead::Sequence : Lead::None, .ending = Ending::Fill, .crash = true},
      {.bars = 16, .progression = variant == 1 ? DESCENT : HYPNOTIC, .drums = Drums::Four, .hats = 2,
       .bass = Bass::Acid, .lead = Lead::Sequence, .ending = Ending::Fill, .crash = true},
      {.bars = 8, .progression = HYPNOTIC, .drums = Drums::Four, .hats = 2, .bass = Bass::Acid,
       .chords = variant == 1 ? Chords::OffbeatStabs : Chords::Pad, .lead = Lead::Sequence, .ending = Ending::Fill,
       .crash = true},
      {.bars = 5, .progression = {F, F, G, G, E}, .drums = Drums::Four, .hats = 2, .bass = Bass::Acid,
       .chords = Chords::Pad, .arp = Arp::Sixteenths, .ending = Ending::Build},
  };
}

Part outroPart() {
  return {
      {.bars = 8, .progression = MAIN, .drums = Drums::Pulse, .bass = Bass::Long, .chords = Chords::Pad,
       .lead = Lead::BellTheme, .crash = true, .dynamics = Dynamics::Fall},
      {.bars = 2, .progression = {F, E}, .bass = Bass::Long, .chords = Chords::Pad, .arp = Arp::Bells},
  };
}

Part finalChordPart() {
  return {
      {.bars = 10 + TAIL_BARS, .progression = {Am}, .bass = Bass::Long, .chords = Chords::Pad, .hit = true,
       .dynamics = Dynamics::FadeOut},
  };
}

// One part per scene, in timeline order.
std::vector<Part> arrangement() {
  return {
      presentsPart(),          titleBuildPart(false),   heartMainPart(false),    heartAcidPart(),
      spherePart(),            squareTunnelBuildPart(3), planePart(7, 0),        heartReturnPart(),
      planePart(7, 1),         tunnelPart(0),           squareTunnelBuildPart(10), squareTunnelPeakPart(7),
      planePart(10, 2),        titleBreakdownPart(),    planePart(10, 3),        tunnelPart(1),
      planePart(10, 0),        squareTunnelPeakPart(7), planePart(10, 1),        heartMainPart(true),
      planePart(10, 2),        titleBigBreakPart(),     planePart(10, 3),        squareTunnelPeakPart(7),
      planePart(10, 0),        titleBuildPart(true),    planePart(10, 1),        tunnelPart(2),
      planePart(10, 2),        squareTunnelPeakPart(7), planePart(10, 3),        finalePart(),
      planePart(10, 0),        spherePart(),            planePart(10, 1),        squareTunnelBuildPart(7),
      planePart(10, 2),        outroPart(),             finalChordPart(),
  };
}

// ---- Writing the notes --------------------------------------------------------------------------

enum Channel : int {
  KICK_CH = 0,
  CLAP_CH,
  CLOSED_HAT_CH,
  OPEN_HAT_CH,
  BASS_CH,
  PAD1_CH,
  PAD2_CH,
  PAD3_CH,
  ARP_CH,
  LEAD_CH,
  ECHO_CH,
  CRASH_CH,
  RISER_CH,
};
static_assert(RISER_CH + 1 == CUE_CHANNEL);

constexpr std::uint8_t EFFECT_PANNING = 8;
constexpr std::uint8_t EFFECT_TEMPO = 15;  // Fxx: xx of 32 and above sets the tempo
constexpr int ECHO_DELAY = 3;  // rows: a dotted eighth

std::uint8_t xmNote(int midi) { return static_cast<std::uint8_t>(midi - 11); }  // MIDI 60 is C-4

class Composer {
 public:
  explicit Composer(int bars) : grid(static_cast<std::size_t>(bars) * ROWS_PER_BAR, std::vector<xm::Cell>(CHANNELS)) {}

  void play(int startBar, const Block& block) {
    for (int i = 0; i < block.bars; ++i) bar(startBar, block, i);
    // A riser left over from a build shorter than the riser stops where the next part begins.
    if (block.ending == Ending::Build) off((startBar + block.bars) * ROWS_PER_BAR, RISER_CH);
  }

  void cue(int row, std::uint8_t code) { at(row, CUE_CHANNEL) = {.effect = xm::EFFECT_Z, .param = code}; }

  // At 44100 Hz the player rounds a tick at 120 bpm (918.75 frames) down to 918, which would make
  // the piece 0.08 % fast and put it 1.2 s ahead of the show by the end. Three rows in every 32 at
  // 119 bpm (926 frames a tick) make every two bars exactly 4 s again: 29 * 5508 + 3 * 5556 = 176400.
  void keepTime() {
    for (int row = 0; row < static_cast<int>(grid.size()); ++row) {
      const int phase = row % 32;
      xm::Cell& c = at(row, RISER_CH);
      if (phase == 1 || phase == 13 || phase == 25) c.effect = EFFECT_TEMPO, c.param = TEMPO - 1;
      if (phase == 2 || phase == 14 || phase == 26) c.effect = EFFECT_TEMPO, c.param = TEMPO;
    }
  }

  std::vector<std::vector<xm::Cell>> grid;

 private:
  xm::Cell& at(int row, int channel) {
    return grid.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(channel));
  }
  bool inside(int row) const { return row >= 0 && row < static_cast<int>(grid.size()); }

  void note(int row, int channel, int midi, std::uint8_t instrument, double volume, std::uint8_t pan = 0) {
    if (!inside(row)) return;
    xm::Cell& c = at(row, channel);
    c.note = xmNote(midi);
    c.instrument = instrument;
    c.volume = xm::volume(std::clamp(static_cast<int>(std::lround(volume)), 0, 64));
    if (pan) {
      c.effect = EFFECT_PANNING;
      c.param = pan;
    }
  }
  // Drum and effect samples play at their own rate on C-4 (MIDI 60).
  void hit(int row, int channel, std::uint8_t instrument, double volume, int midi = 60) {
    note(row, channel, midi, instrument, volume);
  }
  void off(int row, int channel) {
    if (inside(row) && at(row, channel).note == 0) at(row, channel).note = xm::NOTE_OFF;
  }
  void setVolume(int row, int channel, double volume) {
    if (inside(row) && at(row, channel).note == 0)
      at(row, channel).volume = xm::volume(std::clamp(static_cast<int>(std::lround(volume)), 0, 64));
  }

  static double level(const Block& b, int i) {
    switch (b.dynamics) {
      case Dynamics::Rise: return 0.3 + 0.7 * (i + 1) / b.bars;
      case Dynamics::Fall: return b.bars > 1 ? 1.0 - 0.6 * i / (b.bars - 1) : 1.0;
      case Dynamics::FadeOut: return b.bars > 1 ? 1.0 - 0.9 * i / (b.bars - 1) : 1.0;
      case Dynamics::Steady: break;
    }
    return 1.0;
  }

  void bar(int startBar, const Block& b, int i) {
    const int row0 = (startBar + i) * ROWS_PER_BAR;
    const std::size_t n = b.progression.size();
    const Chord chord = b.progression[static_cast<std::size_t>(i) % n];
    const bool chordChanges = i == 0 || b.progression[static_cast<std::size_t>(i - 1) % n] != chord;
    const bool lastBar = i == b.bars - 1;
    const double f = level(b, i);
    const int buildBars = std::min(2, b.bars);
    const bool building = b.ending == Ending::Build && i >= b.bars - buildBars;
    const bool filling = b.ending == Ending::Fill && lastBar && b.drums != Drums::None;

    if (i == 0 && b.crash) hit(row0, CRASH_CH, CRASH, 30);
    if (i == 0 && b.hit) {
      hit(row0, KICK_CH, KICK, 64);
      hit(row0, CRASH_CH, CRASH, 34);
      hit(row0, CLAP_CH, TOM, 50, 48);
    }
    drums(row0, b, f, building && lastBar, building || filling);
    if (building) build(row0, b.bars - i == 1, i == b.bars - buildBars);
    if (filling) fill(row0, i);
    bassLine(row0, b, chord, chordChanges, lastBar, f);
    chords(row0, b, chord, chordChanges, lastBar, f, i + 1 < b.bars ? b.progression[static_cast<std::size_t>(i + 1) % n] : chord);
    arpeggio(row0, b, chord, f);
    melody(row0, b, chord, i, lastBar, f);
  }

  void drums(int row0, const Block& b, double f, bool lastBuildBar, bool noClaps) {
    for (int s = 0; s < 16; ++s) {
      const int row = row0 + s;
      switch (b.drums) {
        case Drums::None: break;
        case Drums::Pulse:
          if (s % 4 == 0) hit(row, KICK_CH, KICK, 44 * f);
          break;
        case Drums::Four:
          if (s % 4 == 0 && !(lastBuildBar && s >= 12)) hit(row, KICK_CH, KICK, 60);
          if ((s == 4 || s == 12) && !noClaps) hit(row, CLAP_CH, CLAP, 44 * f);
          break;
        case Drums::Half:
          if (s == 0) hit(row, KICK_CH, KICK, 54 * f);
          if (s == 10) hit(row, KICK_CH, KICK, 36 * f);
          if (s == 8 && !noClaps) hit(row, CLAP_CH, CLAP, 34 * f);
          break;
        case Drums::Broken:
          if (s == 0 || s == 6 || s == 10) hit(row, KICK_CH, KICK, s == 0 ? 60 : 50);
          if ((s == 4 || s == 12) && !noClaps) hit(row, CLAP_CH, s == 12 ? SNARE : CLAP, 38 * f);
          break;
      }
      if (b.drums == Drums::None) continue;
      const bool offbeat = s % 4 == 2;
      if (b.hats >= 1 && offbeat && b.drums != Drums::Broken) hit(row, OPEN_HAT_CH, OPEN_HAT, 24 * f);
      if (b.drums == Drums::Broken && s == 14) hit(row, OPEN_HAT_CH, OPEN_HAT, 22 * f);
      if (b.hats >= 2 && !(offbeat && b.drums != Drums::Broken))
        hit(row, CLOSED_HAT_CH, CLOSED_HAT, (s % 2 == 0 ? 26 : 17) * f);
      if (b.hats == 1 && b.drums == Drums::Half && s % 2 == 0 && !offbeat)
        hit(row, CLOSED_HAT_CH, CLOSED_HAT, 16 * f);
    }
  }

  // A snare roll that speeds up from eighths to sixteenths over the last bars, with the riser.
  void build(int row0, bool last, bool riserStart) {
    if (riserStart) hit(row0, RISER_CH, RISER, 34);
    for (int s = 0; s < 16; ++s) {
      if (!last && s % 2 != 0) continue;
      const double rise = (last ? 34.0 : 18.0) + (last ? 26.0 : 16.0) * s / 15.0;
      hit(row0 + s, CLAP_CH, SNARE, rise);
    }
  }

  void fill(int row0, int barIndex) {
    if (barIndex % 2 == 0) {
      const int toms[] = {64, 60, 57, 53};
      for (int k = 0; k < 4; ++k) hit(row0 + 8 + 2 * k, CRASH_CH, TOM, 42, toms[k]);
      for (int s = 13; s < 16; s += 2) hit(row0 + s, CLAP_CH, SNARE, 30);
    } else {
      for (int s = 8; s < 16; ++s) hit(row0 + s, CLAP_CH, SNARE, 24 + 3 * (s - 8));
    }
  }

  void bassLine(int row0, const Block& b, Chord chord, bool chordChanges, bool lastBar, double f) {
    const ChordShape& sh = shapeOf(chord);
    const int r = sh.bass;
    switch (b.bass) {
      case Bass::None: return;
      case Bass::Long:
        if (chordChanges) note(row0, BASS_CH, r, BASS, 46 * f);
        else if (b.dynamics >= Dynamics::Fall) setVolume(row0, BASS_CH, 46 * f);
        if (lastBar) off(row0 + 15, BASS_CH);
        return;
      case Bass::Offbeat:
        for (int s = 2; s < 16; s += 4) {
          note(row0 + s, BASS_CH, r, BASS, 48 * f);
          off(row0 + s + 1, BASS_CH);
        }
        return;
      case Bass::Rolling:
        for (int s = 0; s < 16; ++s) {
          if (s % 4 == 0) off(row0 + s, BASS_CH);
          else note(row0 + s, BASS_CH, s % 4 == 3 ? r + 12 : r, BASS, (s % 4 == 2 ? 46 : 40) * f);
        }
        return;
      case Bass::Acid: {
        // Root, octave, fifth, seventh, third; -1 rests.
        const int line[16] = {0, 0, 12, 0, -1, 0, sh.seventh, 12, 0, -1, 7, 0, 12, 0, sh.third, 7};
        const bool accent[16] = {1, 0, 1, 0, 0, 0, 1, 0, 1, 0, 0, 0, 1, 0, 0, 1};
        for (int s = 0; s < 16; ++s) {
          if (line[s] < 0) off(row0 + s, BASS_CH);
          else note(row0 + s, BASS_CH, r + line[s], ACID, (accent[s] ? 46 : 34) * f);
        }
        return;
      }
      case Bass::Electro: {
        const int steps[] = {0, 3, 6, 8, 10, 11, 14};
        const int line[] = {0, 0, 12, 0, sh.seventh, 12, 0};
        for (int k = 0; k < 7; ++k) {
          note(row0 + steps[k], BASS_CH, r + line[k], BASS, (k == 0 ? 52 : 44) * f);
          if (k + 1 < 7 && steps[k + 1] > steps[k] + 2) off(row0 + steps[k] + 2, BASS_CH);
        }
        off(row0 + 16, BASS_CH);
        return;
      }
    }
  }

  void chords(int row0, const Block& b, Chord chord, bool chordChanges, bool lastBar, double f, Chord next) {
    const ChordShape& sh = shapeOf(chord);
    const int channels[3] = {PAD1_CH, PAD2_CH, PAD3_CH};
    const std::uint8_t pans[3] = {0x50, 0x80, 0xB0};
    switch (b.chords) {
      case Chords::None: return;
      case Chords::Pad:
        for (int v = 0; v < 3; ++v) {
          if (chordChanges) note(row0, channels[v], sh.pad[static_cast<std::size_t>(v)], PAD, 20 * f, pans[v]);
          else if (b.dynamics >= Dynamics::Fall) setVolume(row0, channels[v], 20 * f);
          if (lastBar || next != chord) off(row0 + 14, channels[v]);
          // Over a four-to-the-floor beat the pads duck under every kick and swell back: the pump.
          if (b.drums == Drums::Four)
            for (int s = chordChanges ? 4 : 0; s < 16; s += 4) {
              setVolume(row0 + s, channels[v], 9 * f);
              setVolume(row0 + s + 1, channels[v], 15 * f);
              setVolume(row0 + s + 2, channels[v], 20 * f);
            }
        }
        return;
      case Chords::OffbeatStabs:
      case Chords::ElectroStabs: {
        const bool offbeat = b.chords == Chords::OffbeatStabs;
        const int offbeatSteps[] = {2, 6, 10, 14};
        const int electroSteps[] = {0, 3, 6, 10, 12};
        const int* steps = offbeat ? offbeatSteps : electroSteps;
        const int count = offbeat ? 4 : 5;
        for (int k = 0; k < count; ++k)
          for (int v = 0; v < 3; ++v)
            note(row0 + steps[k], channels[v], sh.pad[static_cast<std::size_t>(v)] + 12, STAB,
                 (k == 0 ? 22 : 18) * f, pans[v]);
        return;
      }
    }
  }

  void arpeggio(int row0, const Block& b, Chord chord, double f) {
    const ChordShape& sh = shapeOf(chord);
    switch (b.arp) {
      case Arp::None: return;
      case Arp::Sixteenths:
        for (int s = 0; s < 16; ++s)
          note(row0 + s, ARP_CH, sh.tones[static_cast<std::size_t>(ARP_STEPS[static_cast<std::size_t>(s)])] + 12, ARP,
               (s % 2 == 0 ? 24 : 17) * f, 0x60);
        return;
      case Arp::Bells: {
        const int steps[] = {0, 3, 6, 10, 12};
        const int tones[] = {0, 2, 4, 5, 3};
        for (int k = 0; k < 5; ++k)
          note(row0 + steps[k], ARP_CH, sh.tones[static_cast<std::size_t>(tones[k])] + 12, BELL, (k == 0 ? 30 : 22) * f,
               0x60);
        return;
      }
    }
  }

  void melody(int row0, const Block& b, Chord chord, int i, bool lastBar, double f) {
    const Theme* theme = nullptr;
    int transpose = 0;
    std::uint8_t instrument = LEAD;
    switch (b.lead) {
      case Lead::None: return;
      case Lead::ThemeA: theme = &THEME_A; break;
      case Lead::ThemeAHigh: theme = &THEME_A; transpose = 12; break;
      case Lead::ThemeB: theme = &THEME_B; break;
      case Lead::Hook: theme = &HOOK; break;
      case Lead::BellTheme: theme = &THEME_A; instrument = BELL; break;
      case Lead::Sequence: {
        const ChordShape& sh = shapeOf(chord);
        for (int s = 0; s < 16; ++s) {
          const int midi = sh.tones[static_cast<std::size_t>(SEQUENCE_STEPS[static_cast<std::size_t>(s)])] + 12;
          const double v = (s % 4 == 0 ? 32 : 24) * f;
          note(row0 + s, LEAD_CH, midi, ARP, v, 0x70);
          note(row0 + s + ECHO_DELAY, ECHO_CH, midi, ARP, v * 0.4, 0xC0);
        }
        return;
      }
    }
    const int phraseRow = (i % theme->bars) * ROWS_PER_BAR;
    const double volume = (instrument == BELL ? 44 : 48) * f;
    for (const Tone& t : theme->tones) {
      if (t.row < phraseRow || t.row >= phraseRow + ROWS_PER_BAR) continue;
      const int row = row0 + t.row - phraseRow;
      const int midi = t.midi + transpose;
      note(row, LEAD_CH, midi, instrument, volume, 0x70);
      note(row + ECHO_DELAY, ECHO_CH, midi, instrument, volume * 0.4, 0xC0);
      if (instrument != BELL) {
        off(row + t.length, LEAD_CH);
        off(row + t.length + ECHO_DELAY, ECHO_CH);
      }
    }
    if (lastBar && instrument != BELL) {
      off(row0 + ROWS_PER_BAR, LEAD_CH);
      off(row0 + ROWS_PER_BAR + ECHO_DELAY, ECHO_CH);
    }
  }
};

std::vector<int> sceneStartBars() {
  std::vector<int> starts;
  int bar = 0;
  for (const Scene& s : TIMELINE) {
    starts.push_back(bar);
    bar += s.bars;
  }
  starts.push_back(bar);
  return starts;
}

int songBars() { return sceneStartBars().back() + TAIL_BARS; }

}  // namespace

const std::vector<Scene>& timeline() { return TIMELINE; }

std::vector<Cue> cuePlan() {
  if (SYNC_PLAN.size() != TIMELINE.size()) throw std::logic_error("the sync plan does not cover the timeline");
  const std::vector<int> starts = sceneStartBars();
  std::vector<Cue> cues;
  for (std::size_t scene = 0; scene < SYNC_PLAN.size(); ++scene) {
    const int base = starts[scene] * ROWS_PER_BAR;
    for (const Span& span : SYNC_PLAN[scene].spans)
      for (int row = span.from * ROWS_PER_BAR + span.offset; row < span.to * ROWS_PER_BAR; row += span.every)
        cues.push_back({base + row, SYNC_PLAN[scene].code, static_cast<int>(scene)});
  }
  return cues;
}

xm::XmModule composeZod() {
  const std::vector<int> starts = sceneStartBars();
  const std::vector<Part> parts = arrangement();
  Composer composer(songBars());
  for (std::size_t scene = 0; scene < parts.size(); ++scene) {
    int bar = starts[scene];
    for (const Block& block : parts[scene]) {
      composer.play(bar, block);
      bar += block.bars;
    }
    const int expected = starts[scene + 1] + (scene + 1 == parts.size() ? TAIL_BARS : 0);
    if (bar != expected) throw std::logic_error("a part does not fill its scene");
  }
  for (const Cue& c : cuePlan()) composer.cue(c.row, c.code);
  composer.keepTime();

  xm::XmModule m;
  m.name = "zod";
  m.trackerName = "zod music generator";
  m.channels = CHANNELS;
  m.speed = SPEED;
  m.bpm = TEMPO;
  m.instruments = makeInstruments();

  // Patterns of at most 8 bars, cut at every scene start; identical ones are stored once.
  const int maxRows = 8 * ROWS_PER_BAR;
  std::vector<int> cuts(starts.begin(), starts.end() - 1);
  const int totalRows = songBars() * ROWS_PER_BAR;
  for (std::size_t k = 0; k < cuts.size(); ++k) {
    const int from = cuts[k] * ROWS_PER_BAR;
    const int to = k + 1 < cuts.size() ? cuts[k + 1] * ROWS_PER_BAR : totalRows;
    for (int row = from; row < to; row += maxRows) {
      xm::Pattern p;
      const int end = std::min(to, row + maxRows);
      p.rows.assign(composer.grid.begin() + row, composer.grid.begin() + end);
      std::size_t index = 0;
      while (index < m.patterns.size() && m.patterns[index].rows != p.rows) ++index;
      if (index == m.patterns.size()) m.patterns.push_back(std::move(p));
      m.orders.push_back(static_cast<std::uint8_t>(index));
    }
  }
  return m;
}

}  // namespace music
