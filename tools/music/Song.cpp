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
//
// Everything is written in A minor; from the heart scene at 12:40 (the middle of the show) the whole
// piece plays a tone higher, in B minor, planes and all, to the end.

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
      /* C  */ {{55, 60, 64}, 48, {55, 60, 64, 67, 72, 76}, 4, 11},
      /* G  */ {{55, 59, 62}, 43, {55, 59, 62, 67, 71, 74}, 4, 10},
      /* Dm */ {{57, 62, 65}, 50, {57, 62, 65, 69, 74, 77}, 3, 10},
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
// Heard only after 10:00: the late theme's chords and a darker tunnel.
const Progression LATE{F, C, G, Am};
const Progression DARK{Am, Am, Em, Em, F, F, E, E};
const Progression LIFT{Dm, F, Am, G};

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

// The late theme, over LATE twice: first heard at 10:32, carried by the pluck, then the lead.
const Theme THEME_C{8,
                    {{0, 77, 4},   {4, 76, 2},   {6, 77, 2},   {8, 81, 6},   {14, 79, 2},  {16, 79, 4},
                     {20, 76, 4},  {24, 72, 6},  {30, 74, 2},  {32, 74, 4},  {36, 79, 4},  {40, 83, 4},
                     {44, 81, 2},  {46, 79, 2},  {48, 76, 12}, {60, 72, 2},  {62, 74, 2},  {64, 77, 4},
                     {68, 76, 2},  {70, 77, 2},  {72, 81, 4},  {76, 84, 4},  {80, 83, 2},  {82, 84, 2},
                     {84, 79, 6},  {90, 76, 2},  {92, 79, 4},  {96, 81, 4},  {100, 79, 4}, {104, 74, 4},
                     {108, 79, 2}, {110, 83, 2}, {112, 81, 12}, {124, 76, 4}}};

// The planes' hook, over DESCENT: one figure stepped down the chords.
const Theme HOOK{4,
                 {{0, 69, 2},  {3, 72, 1},  {4, 76, 2},  {6, 81, 2},  {10, 79, 2}, {12, 76, 4},
                  {16, 74, 2}, {19, 71, 1}, {20, 74, 2}, {22, 79, 2}, {26, 77, 2}, {28, 74, 4},
                  {32, 72, 2}, {35, 69, 1}, {36, 72, 2}, {38, 77, 2}, {42, 76, 2}, {44, 72, 4},
                  {48, 71, 4}, {52, 68, 2}, {54, 71, 2}, {56, 76, 6}, {62, 74, 2}}};

// Index into a chord's tones, one per row of a bar; each arpeggio variant has its own figure.
constexpr std::array<std::array<int, 16>, 4> ARP_FIGURES{{
    {0, 1, 2, 3, 4, 5, 4, 3, 1, 2, 3, 4, 5, 4, 3, 2},
    {0, 2, 4, 2, 1, 3, 5, 3, 0, 2, 4, 2, 1, 3, 5, 4},
    {3, 0, 4, 1, 5, 2, 4, 1, 3, 0, 4, 1, 5, 3, 2, 1},
    {0, 3, 1, 4, 2, 5, 3, 5, 4, 2, 3, 1, 2, 0, 1, 3},
}};
constexpr std::array<int, 16> SEQUENCE_STEPS{0, 3, 0, 2, 0, 4, 0, 3, 0, 1, 0, 2, 3, 2, 1, 0};

// ---- Arrangement --------------------------------------------------------------------------------

enum class Drums { None, Pulse, Four, Half, Broken };
enum class Bass { None, Long, Offbeat, Rolling, Acid, Electro };
enum class Chords { None, Pad, VoxPad, OffbeatStabs, ElectroStabs, GatedPad };
enum class Arp { None, Sixteenths, Bells, Plucks, VoxChops };
enum class Lead { None, ThemeA, ThemeAHigh, ThemeB, ThemeC, Hook, Sequence, BellTheme, PluckTheme };
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
  double level = 1.0;  // the block's loudness: peaks near 1, breakdowns about half
  int variant = 0;     // picks the fills, builds, grooves, acid lines and ornaments
  bool acid = false;   // an acid line over another bass, an octave up
  int sweepFrom = 0, sweepTo = ACID_STEPS - 1;  // the acid filter's travel over the block
  bool ride = false;   // a ride cymbal on the beats (from the second half on)
  bool hold = false;   // a held supersaw note on the chord's top voice, under stabs or a sequence
};

using Part = std::vector<Block>;

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
       .crash = true, .dynamics = withTheme ? Dynamics::Steady : Dynamics::Rise, .level = withTheme ? 0.8 : 0.92, .variant = variant,
       .ride = withTheme},
      {.bars = 4, .progression = MAIN, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling, .chords = Chords::Pad,
       .arp = Arp::Sixteenths, .lead = withTheme ? Lead::ThemeAHigh : Lead::None, .ending = Ending::Fill,
       .level = withTheme ? 0.84 : 0.97, .variant = variant + 1, .acid = withTheme},
      {.bars = 3, .progression = {F, G, E}, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling,
       .chords = Chords::Pad, .arp = Arp::Sixteenths, .ending = Ending::Build, .level = withTheme ? 0.84 : 0.97, .variant = variant + 2},
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
       .sweepFrom = 1, .sweepTo = 5, .ride = true},
      {.bars = 16, .progression = LATE, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling,
       .chords = Chords::OffbeatStabs, .arp = Arp::VoxChops, .lead = Lead::ThemeC, .ending = Ending::Fill,
       .crash = true, .variant = 2, .acid = true, .sweepFrom = 5, .sweepTo = 2, .ride = true},
      {.bars = 8, .progression = MAIN, .drums = Drums::Four, .hats = 2, .bass = Bass::Acid, .chords = Chords::GatedPad,
       .arp = Arp::Sixteenths, .lead = Lead::ThemeAHigh, .ending = Ending::Fill, .crash = true, .variant = 3,
       .sweepFrom = 2, .sweepTo = 5, .ride = true},
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
       .sweepFrom = 0, .sweepTo = 3},
      {.bars = 16, .progression = SECOND, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling,
       .chords = Chords::Pad, .arp = Arp::Sixteenths, .lead = Lead::ThemeB, .ending = Ending::Fill, .crash = true,
       .level = 0.97, .variant = 1},
      {.bars = 8, .progression = MAIN, .drums = Drums::Four, .hats = 2, .bass = Bass::Acid, .chords = Chords::Pad,
       .arp = Arp::Sixteenths, .lead = Lead::ThemeAHigh, .ending = Ending::Fill, .crash = true, .level = 0.97,
       .variant = 2, .sweepFrom = 2, .sweepTo = 5},
      {.bars = 8, .progression = MAIN, .drums = Drums::Half, .hats = 1, .bass = Bass::Long, .chords = Chords::Pad,
       .arp = Arp::Bells, .dynamics = Dynamics::Fall, .level = 0.39, .variant = 1},
  };
}

Part heartReturnPart() {
  return {
      {.bars = 16, .progression = MAIN, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling,
       .chords = Chords::OffbeatStabs, .arp = Arp::Sixteenths, .lead = Lead::ThemeA, .ending = Ending::Fill,
       .crash = true, .level = 0.97, .variant = 2, .acid = true, .sweepFrom = 0, .sweepTo = 4},
      {.bars = 16, .progression = SECOND, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling,
       .chords = Chords::GatedPad, .arp = Arp::Sixteenths, .lead = Lead::ThemeB, .ending = Ending::Fill,
       .crash = true, .level = 0.97, .variant = 3},
      {.bars = 8, .progression = DESCENT, .drums = Drums::Four, .hats = 2, .bass = Bass::Acid, .chords = Chords::Pad,
       .arp = Arp::Sixteenths, .lead = Lead::Hook, .ending = Ending::Build, .crash = true, .level = 0.97,
       .variant = 1, .sweepFrom = 3, .sweepTo = 5},
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

Part squareTunnelBuildPart(int bars, int variant) {
  Part part;
  if (bars > 3)
    part.push_back({.bars = bars - 3, .progression = SECOND, .drums = Drums::Half, .hats = 1, .bass = Bass::Offbeat,
                    .chords = Chords::Pad, .arp = Arp::Sixteenths, .dynamics = Dynamics::Rise, .level = 0.7,
                    .variant = variant});
  part.push_back({.bars = 3, .progression = {F, G, E}, .drums = Drums::Four, .hats = 2, .bass = Bass::Offbeat,
                  .chords = Chords::Pad, .arp = Arp::Sixteenths, .ending = Ending::Build, .level = 0.92,
                  .variant = variant});
  return part;
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
               .crash = true, .level = 1.0, .variant = 1, .sweepFrom = 2, .sweepTo = 5}};
    case 2:
      return {{.bars = 7, .progression = LATE, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling,
               .chords = Chords::VoxPad, .arp = Arp::VoxChops, .lead = Lead::Hook, .ending = Ending::Fill,
               .crash = true, .level = 0.85, .variant = 2, .acid = true, .ride = true}};
    default:
      return {{.bars = 7, .progression = LIFT, .drums = Drums::Four, .hats = 2, .bass = Bass::Rolling,
               .chords = Chords::OffbeatStabs, .arp = Arp::Plucks, .lead = Lead::Hook, .ending = Ending::Build,
               .crash = true, .level = 1.0, .variant = 3, .acid = true, .sweepFrom = 5, .sweepTo = 1, .ride = true}};
  }
}

// The tunnel's three visits: acid opening up over a hypnotic bass, then the late theme's pluck over
// a descent, then the darkest, in B minor with the ride.
Part tunnelPart(int visit) {
  const Progression& first = visit == 2 ? DARK : HYPNOTIC;
  const Progression& middle = visit == 0 ? HYPNOTIC : visit == 1 ? DESCENT : DARK;
  return {
      {.bars = 8, .progression = first, .drums = Drums::Four, .hats = visit == 0 ? 1 : 2, .bass = Bass::Acid,
       .lead = visit == 2 ? Lead::Sequence : Lead::None, .ending = Ending::Fill, .crash = true, .level = 0.92,
       .variant = visit, .sweepFrom = 0, .sweepTo = 2, .ride = visit == 2, .hold = visit > 0},
      {.bars = 16, .progression = middle, .drums = Drums::Four, .hats = 2, .bass = Bass::Acid,
       .arp = visit == 1 ? Arp::Plucks : Arp::None, .lead = visit == 1 ? Lead::PluckTheme : Lead::Sequence,
       .ending = Ending::Fill, .crash = true, .level = 0.97, .variant = visit + 1, .sweepFrom = 1, .sweepTo = 5,
       .ride = visit >= 1, .hold = true},
      {.bars = 8, .progression = first, .drums = Drums::Four, .hats = 2, .bass = Bass::Acid,
       .chords = visit == 1 ? Chords::OffbeatStabs : visit == 2 ? Chords::VoxPad : Chords::Pad,
       .lead = Lead::Sequence, .ending = Ending::Fill, .crash = true, .level = 1.0, .variant = visit + 2,
       .sweepFrom = 5, .sweepTo = 5, .ride = visit >= 1},
      {.bars = 5, .progression = {F, F, G, G, E}, .drums = Drums::Four, .hats = 2, .bass = Bass::Acid,
       .chords = Chords::Pad, .arp = Arp::Sixteenths, .ending = Ending::Build, .level = 0.97, .variant = visit + 1,
       .sweepFrom = 4, .sweepTo = 1},
  };
}

// A plane part takes the key and groove of what surrounds it: `into` says what comes next.
enum class Into { Peak, Calm, Same };
Part planePart(int bars, int variant, const Progression& progression, bool fourToTheFloor, Into into) {
  const Lead leads[] = {Lead::Hook, Lead::Sequence, Lead::Hook, Lead::PluckTheme, Lead::None};
  const bool late = variant >= 5;
  Block b{.bars = bars, .progression = progression, .drums = fourToTheFloor ? Drums::Four : Drums::Broken, .hats = 2,
          .bass = variant % 3 == 1 ? Bass::Acid : Bass::Electro,
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

Part finalChordPart() {
  return {
      {.bars = 10 + TAIL_BARS, .progression = {Am}, .bass = Bass::Long, .chords = Chords::VoxPad, .hit = true,
       .dynamics = Dynamics::FadeOut, .level = 0.42},
  };
}

// One part per scene, in timeline order.
std::vector<Part> arrangement() {
  return {
      /*  0 */ presentsPart(),
      /*  1 */ titleBuildPart(false, 0),
      /*  2 */ heartMainPart(false),
      /*  3 */ heartAcidPart(),
      /*  4 */ spherePart(false),
      /*  5 */ squareTunnelBuildPart(3, 0),
      /*  6 */ planePart(7, 0, DESCENT, false, Into::Same),
      /*  7 */ heartReturnPart(),
      /*  8 */ planePart(7, 1, DESCENT, true, Into::Peak),
      /*  9 */ tunnelPart(0),
      /* 10 */ squareTunnelBuildPart(10, 1),
      /* 11 */ squareTunnelPeakPart(0),
      /* 12 */ planePart(10, 2, DESCENT, false, Into::Calm),
      /* 13 */ titleBreakdownPart(),
      /* 14 */ planePart(10, 3, MAIN, true, Into::Peak),
      /* 15 */ tunnelPart(1),
      /* 16 */ planePart(10, 4, DESCENT, true, Into::Peak),
      /* 17 */ squareTunnelPeakPart(1),
      /* 18 */ planePart(10, 1, HYPNOTIC, false, Into::Peak),
      /* 19 */ heartMainPart(true),
      /* 20 */ planePart(10, 5, MAIN, false, Into::Calm),
      /* 21 */ titleBigBreakPart(),
      /* 22 */ planePart(10, 6, MAIN, true, Into::Peak),
      /* 23 */ squareTunnelPeakPart(2),
      /* 24 */ planePart(10, 7, LATE, false, Into::Same),
      /* 25 */ titleBuildPart(true, 2),
      /* 26 */ planePart(10, 8, DESCENT, true, Into::Peak),
      /* 27 */ tunnelPart(2),
      /* 28 */ planePart(10, 9, DARK, true, Into::Peak),
      /* 29 */ squareTunnelPeakPart(3),
      /* 30 */ planePart(10, 10, LIFT, true, Into::Peak),
      /* 31 */ finalePart(),
      /* 32 */ planePart(10, 11, LATE, false, Into::Calm),
      /* 33 */ spherePart(true),
      /* 34 */ planePart(10, 12, SLOW, false, Into::Same),
      /* 35 */ squareTunnelBuildPart(7, 2),
      /* 36 */ planePart(10, 13, DESCENT, false, Into::Calm),
      /* 37 */ outroPart(),
      /* 38 */ finalChordPart(),
  };
}

// The key of each scene, in semitones above A minor.
int keyOfScene(std::size_t scene) { return scene >= 19 ? 2 : 0; }

// ---- Writing the notes --------------------------------------------------------------------------

enum Channel : int {
  KICK_CH = 0,
  CLAP_CH,
  CLOSED_HAT_CH,
  OPEN_HAT_CH,
  PERC_CH,
  BASS_CH,
  ACID_CH,
  PAD1_CH,
  PAD2_CH,
  PAD3_CH,
  ARP_CH,
  ARP_ECHO_CH,
  LEAD_LEFT_CH,
  LEAD_RIGHT_CH,
  ECHO_CH,
  CRASH_CH,
  FX_CH,
  HOLD_CH,
};
static_assert(HOLD_CH + 1 == CUE_CHANNEL);

// Effect-column commands (the XM numbering: 0..9, then A = 10 onwards).
constexpr std::uint8_t ARPEGGIO = 0x0, SLIDE_UP = 0x1, SLIDE_DOWN = 0x2, PORTAMENTO = 0x3, VIBRATO = 0x4,
                       PANNING = 0x8, SAMPLE_OFFSET = 0x9, VOLUME_SLIDE = 0xA, EXTENDED = 0xE, TEMPO_CMD = 0xF;
constexpr std::uint8_t RETRIGGER = 0x90, NOTE_CUT = 0xC0, NOTE_DELAY = 0xD0;  // Exy sub-commands
// Volume-column commands.
constexpr std::uint8_t VOLUME_SLIDE_DOWN = 0x60, VOLUME_SLIDE_UP = 0x70, VOLUME_PANNING = 0xC0;
constexpr int ECHO_DELAY = 3;  // rows: a dotted eighth

std::uint8_t xmNote(int midi) { return static_cast<std::uint8_t>(std::clamp(midi - 11, 1, 96)); }  // MIDI 60 is C-4

// A fixed pseudo-random value in [-1, 1) for a row of the song and a purpose: humanised velocities
// and ghost notes that differ from bar to bar yet come out the same on every run.
double scatter(int row, int purpose) {
  Noise n(static_cast<std::uint32_t>(row * 7919 + purpose * 104729 + 1));
  n.next();
  return n.next();
}

// The mix: how loud each instrument sits against the volumes the parts write. What carries the
// tune comes forward; the kick and the toms, which make the peaks, stay back.
double instrumentGain(std::uint8_t instrument) {
  if (instrument >= ACID && instrument < ACID + ACID_STEPS) return 1.15;
  switch (instrument) {
    case KICK: return 0.95;
    case CLAP: case SNARE: return 1.25;
    case TOM: return 0.55;
    case BASS: return 1.3;
    case CLOSED_HAT: case OPEN_HAT: case RIDE: return 2.0;
    case CRASH: case RISER: return 1.5;
    case PAD: case STAB: return 2.6;
    case ARP: return 2.1;
    case BELL: case PLUCK: return 2.4;
    case LEAD_LEFT: case LEAD_RIGHT: return 1.5;
    case VOX: return 2.0;
    default: return 1.0;
  }
}

// The master level on top, set so that the loudest moment stays below -1 dBFS true peak.
double mixGain(std::uint8_t instrument) { return 0.98 * instrumentGain(instrument); }

class Composer {
 public:
  explicit Composer(int bars) : grid(static_cast<std::size_t>(bars) * ROWS_PER_BAR, std::vector<xm::Cell>(CHANNELS)) {}

  int key = 0;  // semitones above A minor

  void play(int startBar, const Block& block) {
    for (int i = 0; i < block.bars; ++i) bar(startBar, block, i);
    // A riser left over from a build shorter than the riser stops where the next part begins.
    if (block.ending == Ending::Build) off((startBar + block.bars) * ROWS_PER_BAR, FX_CH);
  }

  void cue(int row, std::uint8_t code) { at(row, CUE_CHANNEL) = {.effect = xm::EFFECT_Z, .param = code}; }

  // At 44100 Hz the player rounds a tick at 120 bpm (918.75 frames) down to 918, which would make
  // the piece 0.08 % fast and put it 1.2 s ahead of the show by the end. Three rows in every 32 at
  // 119 bpm (926 frames a tick) make every two bars exactly 4 s again: 29 * 5508 + 3 * 5556 = 176400.
  // They share the cue channel, whose cues sit on beats and so never on these rows.
  void keepTime() {
    for (int row = 0; row < static_cast<int>(grid.size()); ++row) {
      const int phase = row % 32;
      xm::Cell& c = at(row, CUE_CHANNEL);
      if (phase == 1 || phase == 13 || phase == 25) c.effect = TEMPO_CMD, c.param = TEMPO - 1;
      if (phase == 2 || phase == 14 || phase == 26) c.effect = TEMPO_CMD, c.param = TEMPO;
    }
  }

  std::vector<std::vector<xm::Cell>> grid;

 private:
  xm::Cell& at(int row, int channel) {
    return grid.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(channel));
  }
  bool inside(int row) const { return row >= 0 && row < static_cast<int>(grid.size()); }
  static std::uint8_t vol(double v) { return xm::volume(std::clamp(static_cast<int>(std::lround(v)), 1, 64)); }

  // A note with its instrument and volume; `midi` is already in the scene's key.
  void note(int row, int channel, int midi, std::uint8_t instrument, double volume) {
    if (!inside(row)) return;
    xm::Cell& c = at(row, channel);
    c.note = xmNote(midi);
    c.instrument = instrument;
    c.volume = vol(volume * mixGain(instrument));
  }
  // A note that glides from the one sounding (3xx) instead of starting afresh.
  void glide(int row, int channel, int midi, std::uint8_t instrument, double volume, std::uint8_t speed) {
    if (!inside(row)) return;
    xm::Cell& c = at(row, channel);
    c.note = xmNote(midi);
    c.instrument = 0;
    c.volume = vol(volume * mixGain(instrument));
    c.effect = PORTAMENTO;
    c.param = speed;
  }
  // Drum and effect samples play at their own rate on C-4 (MIDI 60).
  void hit(int row, int channel, std::uint8_t instrument, double volume, int midi = 60) {
    note(row, channel, midi, instrument, volume);
  }
  void command(int row, int channel, std::uint8_t effect, std::uint8_t param) {
    if (!inside(row)) return;
    xm::Cell& c = at(row, channel);
    if (c.effect == 0 && c.param == 0) c.effect = effect, c.param = param;
  }
  void off(int row, int channel) {
    if (inside(row) && at(row, channel).note == 0) at(row, channel).note = xm::NOTE_OFF;
  }
  void setVolume(int row, int channel, double volume, std::uint8_t instrument) {
    if (inside(row) && at(row, channel).note == 0 && at(row, channel).volume == 0)
      at(row, channel).volume = vol(volume * mixGain(instrument));
  }
  void volumeCommand(int row, int channel, std::uint8_t value) {
    if (inside(row) && at(row, channel).note == 0 && at(row, channel).volume == 0) at(row, channel).volume = value;
  }
  int tone(int midi) const { return midi + key; }

  static double level(const Block& b, int i) {
    double f = 1.0;
    switch (b.dynamics) {
      case Dynamics::Rise: f = 0.3 + 0.7 * (i + 1) / b.bars; break;
      case Dynamics::Fall: f = b.bars > 1 ? 1.0 - 0.6 * i / (b.bars - 1) : 1.0; break;
      case Dynamics::FadeOut: f = b.bars > 1 ? 1.0 - 0.9 * i / (b.bars - 1) : 1.0; break;
      case Dynamics::Steady: break;
    }
    return f * b.level;
  }

  void bar(int startBar, const Block& b, int i) {
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

    if (i == 0 && b.crash) hit(row0, CRASH_CH, CRASH, 30 * std::min(1.0, b.level + 0.1));
    if (i == 0 && b.hit) {
      hit(row0, KICK_CH, KICK, 64, tone(60));
      hit(row0, CRASH_CH, CRASH, 34);
      hit(row0, CLAP_CH, TOM, 50, 48);
      command(row0, CLAP_CH, SLIDE_DOWN, 0x08);  // the tom falls away under the crash
    }
    drums(row0, b, f, building ? buildBars - (b.bars - i) + 1 : 0, buildBars, building || filling);
    if (building) build(row0, b, i - (b.bars - buildBars), buildBars);
    if (filling) fill(row0, b);
    bassLine(row0, b, chord, chordChanges, lastBar, f, building && lastBar);
    if (b.bass == Bass::Acid || b.acid) acidLine(row0, b, chord, i, f);
    chords(row0, b, chord, chordChanges, lastBar, f, i + 1 < b.bars ? b.progression[static_cast<std::size_t>(i + 1) % n] : chord);
    arpeggio(row0, b, chord, f, i);
    melody(row0, b, chord, i, lastBar, f);
    if (building && lastBar && b.variant % 4 == 3) silenceLastBeat(row0);
    if (building && lastBar && b.variant % 4 == 2) bendUp(row0, chord);
  }

  // One stab held through the last bar of a build and bent upwards (1xx) in place of the arpeggio.
  void bendUp(int row0, Chord chord) {
    for (int s = 0; s < 16; ++s)
      if (inside(row0 + s)) at(row0 + s, ARP_CH) = {};
    note(row0, ARP_CH, tone(shapeOf(chord).tones[3] + 12), STAB, 26);
    for (int s = 1; s < 16; ++s) command(row0 + s, ARP_CH, SLIDE_UP, 0x06);
    off(row0 + 16, ARP_CH);
  }

  // `buildStep` counts the bars of a build from 1 (0 outside one).
  void drums(int row0, const Block& b, double f, int buildStep, int buildBars, bool noClaps) {
    const bool lastBuildBar = buildStep > 0 && buildStep == buildBars;
    const int barNumber = row0 / ROWS_PER_BAR;
    for (int s = 0; s < 16; ++s) {
      const int row = row0 + s;
      const double human = scatter(row, 1);
      switch (b.drums) {
        case Drums::None: break;
        case Drums::Pulse:
          if (s % 4 == 0) hit(row, KICK_CH, KICK, 44 * f, tone(60));
          break;
        case Drums::Four:
          if (s % 4 == 0 && !(lastBuildBar && s >= 12)) hit(row, KICK_CH, KICK, 60, tone(60));
          // Every fourth bar of some grooves the kick pushes into the next bar.
          if (s == 15 && b.variant % 4 == 2 && barNumber % 4 == 3 && buildStep == 0) hit(row, KICK_CH, KICK, 38, tone(60));
          if ((s == 4 || s == 12) && !noClaps) {
            hit(row, CLAP_CH, CLAP, 44 * f);
            if (b.variant % 4 == 1 && s == 12) command(row, CLAP_CH, EXTENDED, NOTE_DELAY | 1);  // a late, lazy clap
          }
          // Ghost snares cut in behind their attack (9xx), placed differently from bar to bar.
          if (b.hats >= 2 && !noClaps && (s == 7 || s == 10 || s == 15) && human > 0.35) {
            hit(row, CLAP_CH, SNARE, 14 * f);
            command(row, CLAP_CH, SAMPLE_OFFSET, 0x06);
          }
          break;
        case Drums::Half:
          if (s == 0) hit(row, KICK_CH, KICK, 54 * f, tone(60));
          if (s == 10) hit(row, KICK_CH, KICK, 36 * f, tone(60));
          if (s == 8 && !noClaps) hit(row, CLAP_CH, CLAP, 34 * f);
          break;
        case Drums::Broken:
          if (s == 0 || s == 6 || s == 10 || (s == 13 && barNumber % 2)) hit(row, KICK_CH, KICK, s == 0 ? 60 : 48, tone(60));
          if ((s == 4 || s == 12) && !noClaps) hit(row, CLAP_CH, s == 12 ? SNARE : CLAP, 38 * f);
          break;
      }
      if (b.drums == Drums::None) continue;
      const bool offbeat = s % 4 == 2;
      if (b.hats >= 1 && offbeat && b.drums != Drums::Broken) hit(row, OPEN_HAT_CH, OPEN_HAT, (24 + 3 * human) * f);
      if (b.drums == Drums::Broken && s == 14) hit(row, OPEN_HAT_CH, OPEN_HAT, 22 * f);
      if (b.hats >= 2 && !(offbeat && b.drums != Drums::Broken)) {
        // Hats accented by the groove's figure and played a little unevenly, as a drummer would.
        static constexpr std::array<std::array<int, 4>, 4> ACCENTS{{{26, 16, 20, 16}, {24, 14, 18, 22},
                                                                    {26, 18, 14, 20}, {22, 16, 24, 14}}};
        const int accent = ACCENTS[static_cast<std::size_t>((b.variant + barNumber / 2) % 4)][static_cast<std::size_t>(s % 4)];
        hit(row, CLOSED_HAT_CH, CLOSED_HAT, (accent + 3 * human) * f);
      }
      if (b.hats == 1 && b.drums == Drums::Half && s % 2 == 0 && !offbeat)
        hit(row, CLOSED_HAT_CH, CLOSED_HAT, 16 * f);
      if (b.ride && s % 4 == 0) hit(row, PERC_CH, RIDE, (s == 0 ? 30 : 22) * f);
      if (b.ride && b.drums == Drums::Four && s % 4 == 2 && scatter(row, 2) > 0.3) hit(row, PERC_CH, RIDE, 14 * f);
    }
  }

  // Four kinds of build, so that no two drops are prepared the same way. `step` counts the build's
  // bars from 0 to `bars` - 1.
  void build(int row0, const Block& b, int step, int bars) {
    const int kind = b.variant % 4;
    const bool last = step == bars - 1;
    const double progress0 = static_cast<double>(step) / bars;
    if (step == 0) {
      // The riser lasts two bars; a shorter build starts it part of the way in, a longer one later.
      if (bars == 1) {
        hit(row0, FX_CH, RISER, 34);
        command(row0, FX_CH, SAMPLE_OFFSET, static_cast<std::uint8_t>(RISER_FRAMES / 2 / 256));
      }
    }
    if (bars >= 2 && step == bars - 2) hit(row0, FX_CH, RISER, 30 + 4 * (kind % 2));
    for (int s = 0; s < 16; ++s) {
      const int row = row0 + s;
      const double progress = progress0 + s / (16.0 * bars);
      switch (kind) {
        case 0:  // a snare roll from eighths to sixteenths, rolled faster still by retriggers at the end
          if (!last && s % 2 && step < bars - 1) break;
          if (step + 2 < bars && s % 4) break;
          hit(row, CLAP_CH, SNARE, 16 + 44 * progress);
          if (last && s >= 8) command(row, CLAP_CH, EXTENDED, static_cast<std::uint8_t>(RETRIGGER | (s >= 12 ? 2 : 3)));
          break;
        case 1:  // the kick doubles up, the clap rolls in on the last beats
          if (s % (last ? 1 : step + 2 >= bars ? 2 : 4) == 0 && !(last && s >= 14))
            hit(row, KICK_CH, KICK, 30 + 30 * progress, tone(60));
          if (last && s >= 8 && s % 2 == 0) {
            hit(row, CLAP_CH, CLAP, 30 + 30 * progress);
            command(row, CLAP_CH, EXTENDED, static_cast<std::uint8_t>(RETRIGGER | (s >= 12 ? 1 : 3)));
          }
          break;
        case 2:  // claps in eighths, a tom run and a chord that bends upwards
          if (s % 2 == 0) hit(row, CLAP_CH, CLAP, 20 + 36 * progress);
          if (last && s >= 8 && s % 2 == 0) {
            hit(row, CRASH_CH, TOM, 44, 64 - (s - 8));
            command(row, CRASH_CH, SLIDE_DOWN, 0x10);
          }
          break;
        default:  // a roll that stops dead a beat before the drop (see silenceLastBeat)
          if (last && s >= 12) break;
          if (!last && s % 2) break;
          hit(row, CLAP_CH, SNARE, 18 + 40 * progress);
          if (last && s >= 4) command(row, CLAP_CH, EXTENDED, static_cast<std::uint8_t>(RETRIGGER | (s >= 8 ? 2 : 3)));
          break;
      }
    }
  }

  // The last beat before a drop cleared: drums, bass and melody cut (EC0) and nothing new struck;
  // only the chords, the echoes and the riser ring on into the drop.
  void silenceLastBeat(int row0) {
    for (int ch = CLAP_CH; ch < CUE_CHANNEL; ++ch) {
      if ((ch >= PAD1_CH && ch <= PAD3_CH) || ch == ECHO_CH || ch == ARP_ECHO_CH || ch == FX_CH || ch == HOLD_CH) continue;
      for (int s = 12; s < 16; ++s) {
        if (!inside(row0 + s)) continue;
        xm::Cell& c = at(row0 + s, ch);
        if (c.note != xm::NOTE_OFF) c = {};
      }
      command(row0 + 12, ch, EXTENDED, NOTE_CUT | 0);
    }
  }

  void fill(int row0, const Block& b) {
    switch ((b.variant + row0 / ROWS_PER_BAR / 8) % 4) {
      case 0: {
        // Toms between the kicks, so the two never pile up.
        const int toms[] = {64, 60, 57, 53};
        for (int k = 0; k < 4; ++k) hit(row0 + 9 + 2 * k - (k == 3), CRASH_CH, TOM, 42, toms[k]);
        for (int s = 13; s < 16; s += 2) hit(row0 + s, CLAP_CH, SNARE, 30);
        break;
      }
      case 1:
        for (int s = 8; s < 16; ++s) hit(row0 + s, CLAP_CH, SNARE, 24 + 3 * (s - 8));
        break;
      case 2:  // flams: the second stroke of each pair delayed by a tick or two
        for (int s : {10, 12, 14, 15}) {
          hit(row0 + s, CLAP_CH, s == 15 ? SNARE : CLAP, 30 + 2 * s - 20);
          if (s != 12) command(row0 + s, CLAP_CH, EXTENDED, static_cast<std::uint8_t>(NOTE_DELAY | (s == 15 ? 3 : 2)));
        }
        break;
      default:  // a low tom dropping in pitch and a retriggered snare
        hit(row0 + 8, CRASH_CH, TOM, 46, 52);
        command(row0 + 8, CRASH_CH, SLIDE_DOWN, 0x0C);
        hit(row0 + 12, CLAP_CH, SNARE, 34);
        command(row0 + 12, CLAP_CH, EXTENDED, RETRIGGER | 3);
        hit(row0 + 14, CLAP_CH, SNARE, 40);
        command(row0 + 14, CLAP_CH, EXTENDED, RETRIGGER | 2);
        break;
    }
  }

  void bassLine(int row0, const Block& b, Chord chord, bool chordChanges, bool lastBar, double f, bool dive) {
    const ChordShape& sh = shapeOf(chord);
    const int r = tone(sh.bass);
    switch (b.bass) {
      case Bass::None:
      case Bass::Acid: return;
      case Bass::Long:
        if (chordChanges) note(row0, BASS_CH, r, BASS, 46 * f);
        else if (b.dynamics >= Dynamics::Fall) setVolume(row0, BASS_CH, 46 * f, BASS);
        if (lastBar) off(row0 + 15, BASS_CH);
        return;
      case Bass::Offbeat:
        for (int s = 2; s < 16; s += 4) {
          note(row0 + s, BASS_CH, s == 14 && b.variant % 2 ? r + 12 : r, BASS, 48 * f);
          off(row0 + s + 1, BASS_CH);
        }
        return;
      case Bass::Rolling:
        for (int s = 0; s < 16; ++s) {
          const bool octave = (b.variant % 2 ? s % 4 == 1 : s % 4 == 3) || (s == 15 && b.variant % 4 == 2);
          if (s % 4 == 0) off(row0 + s, BASS_CH);
          else note(row0 + s, BASS_CH, octave ? r + 12 : r, BASS, (s % 4 == 2 ? 43 : 40) * f);
        }
        if (dive) command(row0 + 15, BASS_CH, SLIDE_DOWN, 0x20);  // the bass dives into the drop
        return;
      case Bass::Electro: {
        const int steps[] = {0, 3, 6, 8, 10, 11, 14};
        const int line[] = {0, 0, 12, 0, sh.seventh, 12, 0};
        // Every other bar the second note slides up into the octave instead of stopping.
        const bool slide = (row0 / ROWS_PER_BAR) % 2 == 1;
        for (int k = 0; k < 7; ++k) {
          if (k == 2 && slide) glide(row0 + steps[k], BASS_CH, r + line[k], BASS, 44 * f, 0x20);
          else note(row0 + steps[k], BASS_CH, r + line[k], BASS, (k == 0 ? 52 : 44) * f);
          if (k + 1 < 7 && steps[k + 1] > steps[k] + 2 && !(k == 1 && slide)) off(row0 + steps[k] + 2, BASS_CH);
        }
        off(row0 + 16, BASS_CH);
        return;
      }
    }
  }

  // A sixteen-step acid line: slides (3xx), accents (louder, and a brighter step of the filter) and
  // rests drawn from a fixed seed per variant, in an A A' A B phrase; the filter follows the block's
  // sweep from bar to bar.
  void acidLine(int row0, const Block& b, Chord chord, int i, double f) {
    const ChordShape& sh = shapeOf(chord);
    const bool layered = b.bass != Bass::Acid;
    const int root = tone(sh.bass) + (layered ? 12 : 0);
    const double position =
        b.sweepFrom + (b.sweepTo - b.sweepFrom) * (b.bars > 1 ? static_cast<double>(i) / (b.bars - 1) : 1.0);
    const int phrase = i % 4 == 3 ? 2 : i % 4 == 1 ? 1 : 0;
    Noise n(static_cast<std::uint32_t>(0xAC1D + 97 * b.variant + 13 * phrase));
    const int intervals[8] = {0, 0, 12, 0, 7, sh.seventh, sh.third, 12};
    bool sounding = false;
    for (int s = 0; s < 16; ++s) {
      const double restDraw = n.next(), intervalDraw = n.next(), accentDraw = n.next(), slideDraw = n.next();
      const int row = row0 + s;
      if (s > 0 && restDraw < -0.55) {
        off(row, ACID_CH);
        sounding = false;
        continue;
      }
      const int midi = root + intervals[static_cast<int>((intervalDraw + 1.0) * 4.0) & 7];
      const bool accent = accentDraw > 0.35 || s == 0;
      const int step = std::clamp(static_cast<int>(position + 0.5) + (accent ? 1 : 0), 0, ACID_STEPS - 1);
      const double volume = (accent ? 48 : 34) * f * (layered ? 0.7 : 1.0);
      if (sounding && slideDraw > 0.45) {
        glide(row, ACID_CH, midi, ACID, volume, 0x40);
      } else {
        note(row, ACID_CH, midi, static_cast<std::uint8_t>(ACID + step), volume);
      }
      sounding = true;
    }
  }

  // A held note that follows the chords: struck when the chord changes, released before the next,
  // and over a four-to-the-floor beat ducked under every kick and slid back up (the pump).
  void sustain(int row0, const Block& b, int ch, int midi, std::uint8_t instrument, double base, std::uint8_t pan,
               bool struck, bool released) {
    if (struck) {
      note(row0, ch, midi, instrument, base);
      command(row0, ch, PANNING, pan);
    } else if (b.dynamics >= Dynamics::Fall) {
      setVolume(row0, ch, base, instrument);
      command(row0 + 8, ch, VOLUME_SLIDE, 0x01);  // and on down through the bar
    }
    if (released) off(row0 + 14, ch);
    if (b.drums != Drums::Four) return;
    for (int s = struck ? 4 : 0; s < 16; s += 4) {
      const double low = base * 0.4;
      setVolume(row0 + s, ch, low, instrument);
      const double rise = (base - low) * mixGain(instrument);
      // Rounded down, so the swell never ends above the level the note was struck at.
      const int perTick = std::clamp(static_cast<int>(rise / (SPEED - 1)), 1, 15);
      volumeCommand(row0 + s + 1, ch, static_cast<std::uint8_t>(VOLUME_SLIDE_UP | perTick));
    }
  }

  void chords(int row0, const Block& b, Chord chord, bool chordChanges, bool lastBar, double f, Chord next) {
    const ChordShape& sh = shapeOf(chord);
    if (b.hold)
      sustain(row0, b, HOLD_CH, tone(sh.pad[2]), PAD, 20 * f, 0x80, chordChanges, lastBar || next != chord);
    const int channels[3] = {PAD1_CH, PAD2_CH, PAD3_CH};
    // The three voices spread over the stereo field.
    const std::uint8_t pans[3] = {0x28, 0x80, 0xD8};
    switch (b.chords) {
      case Chords::None: return;
      case Chords::Pad:
      case Chords::VoxPad: {
        const std::uint8_t instrument = b.chords == Chords::VoxPad ? VOX : PAD;
        for (int v = 0; v < 3; ++v)
          sustain(row0, b, channels[v], tone(sh.pad[static_cast<std::size_t>(v)]), instrument,
                  (instrument == VOX ? 26 : 22) * f, pans[v], chordChanges, lastBar || next != chord);
        return;
      }
      case Chords::GatedPad: {
        // A trance gate: the chord re-struck on a sixteenth figure and cut short (ECx) after each step.
        static constexpr std::array<int, 16> GATE{1, 0, 1, 1, 0, 1, 1, 0, 1, 0, 1, 1, 0, 1, 1, 1};
        for (int s = 0; s < 16; ++s) {
          if (!GATE[static_cast<std::size_t>(s)]) continue;
          for (int v = 0; v < 3; ++v) {
            note(row0 + s, channels[v], tone(sh.pad[static_cast<std::size_t>(v)] + 12), STAB, (s % 4 == 0 ? 24 : 17) * f);
            command(row0 + s, channels[v], EXTENDED, NOTE_CUT | 4);
          }
        }
        return;
      }
      case Chords::OffbeatStabs:
      case Chords::ElectroStabs: {
        const bool offbeat = b.chords == Chords::OffbeatStabs;
        const int offbeatSteps[] = {2, 6, 10, 14};
        const int electroSteps[] = {0, 3, 6, 10, 12};
        const int* steps = offbeat ? offbeatSteps : electroSteps;
        const int count = offbeat ? 4 : 5;
        // The voices start at different points of the sample (9xx), so that their attacks do not
        // add up to one sharp peak.
        for (int k = 0; k < count; ++k)
          for (int v = 0; v < 3; ++v) {
            note(row0 + steps[k], channels[v], tone(sh.pad[static_cast<std::size_t>(v)] + 12), STAB,
                 (k == 0 ? 22 : 18) * f);
            command(row0 + steps[k], channels[v], SAMPLE_OFFSET, static_cast<std::uint8_t>(0x28 * v + 0x08 * k));
          }
        // Without a melody to echo, the stabs' top voice is thrown left and right by the echo.
        if (b.lead == Lead::None)
          for (int k = 0; k < count; ++k) {
            const int row = row0 + steps[k] + ECHO_DELAY;
            note(row, ECHO_CH, tone(sh.pad[2] + 12), STAB, 12 * f);
            command(row, ECHO_CH, PANNING, k % 2 ? 0x10 : 0xF0);
          }
        // Electro stabs end each bar with the chord arpeggiated on one voice (0xy).
        if (!offbeat) command(row0 + 12, PAD2_CH, ARPEGGIO, static_cast<std::uint8_t>(sh.third << 4 | 7));
        return;
      }
    }
  }

  void arpeggio(int row0, const Block& b, Chord chord, double f, int i) {
    const ChordShape& sh = shapeOf(chord);
    const auto& figure = ARP_FIGURES[static_cast<std::size_t>(b.variant % 4)];
    auto echo = [&](int row, int midi, std::uint8_t instrument, double v) {
      note(row + ECHO_DELAY, ARP_ECHO_CH, midi, instrument, v * 0.35);
      command(row + ECHO_DELAY, ARP_ECHO_CH, PANNING, 0x48);
    };
    switch (b.arp) {
      case Arp::None: return;
      case Arp::Sixteenths:
        for (int s = 0; s < 16; ++s) {
          const int midi = tone(sh.tones[static_cast<std::size_t>(figure[static_cast<std::size_t>(s)])] + 12);
          const double v = (s % 2 == 0 ? 24 : 17) * f;
          note(row0 + s, ARP_CH, midi, ARP, v);
          if (s % 4 == 0) command(row0 + s, ARP_CH, PANNING, 0xB8);
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
          const int midi = tone(sh.tones[static_cast<std::size_t>(TONES[k][j])] + 12);
          const double v = (j == 0 ? 30 : 22) * f;
          note(row0 + STEPS[k][j], ARP_CH, midi, BELL, v);
          echo(row0 + STEPS[k][j], midi, BELL, v);
        }
        return;
      }
      case Arp::Plucks:
        for (int s = 0; s < 16; s += 2) {
          if (s % 8 == 6 && i % 2) continue;
          const int midi = tone(sh.tones[static_cast<std::size_t>(figure[static_cast<std::size_t>(s)])] + 12);
          note(row0 + s, ARP_CH, midi, PLUCK, (s % 4 == 0 ? 30 : 22) * f);
          if (s % 4 == 2) echo(row0 + s, midi, PLUCK, 26 * f);
        }
        return;
      case Arp::VoxChops:
        // Short choir syllables on chord tones, each started at another point of the sample (9xx).
        for (int s : {0, 3, 6, 10, 12}) {
          const int midi = tone(sh.tones[static_cast<std::size_t>((s / 3 + i) % 4)] + 12);
          note(row0 + s, ARP_CH, midi, VOX, 34 * f);
          command(row0 + s, ARP_CH, SAMPLE_OFFSET, static_cast<std::uint8_t>(0x10 + 0x18 * ((s + i) % 4)));
          off(row0 + s + 2, ARP_CH);
        }
        return;
    }
  }

  void leadNote(int row, int midi, std::uint8_t left, std::uint8_t right, double volume, bool slide) {
    if (slide) {
      glide(row, LEAD_LEFT_CH, midi, LEAD_LEFT, volume, 0x18);
      glide(row, LEAD_RIGHT_CH, midi, LEAD_RIGHT, volume, 0x18);
    } else {
      note(row, LEAD_LEFT_CH, midi, left, volume);
      note(row, LEAD_RIGHT_CH, midi, right, volume);
      // The right half starts elsewhere in its sample (9xx): the shared centre voice would otherwise
      // strike in phase on both sides.
      command(row, LEAD_RIGHT_CH, SAMPLE_OFFSET, 0x40);
    }
  }

  void melody(int row0, const Block& b, Chord chord, int i, bool lastBar, double f) {
    const Theme* theme = nullptr;
    int transpose = 0;
    std::uint8_t left = LEAD_LEFT, right = LEAD_RIGHT;
    switch (b.lead) {
      case Lead::None: return;
      case Lead::ThemeA: theme = &THEME_A; break;
      case Lead::ThemeAHigh: theme = &THEME_A; transpose = 12; break;
      case Lead::ThemeB: theme = &THEME_B; break;
      case Lead::ThemeC: theme = &THEME_C; break;
      case Lead::Hook: theme = &HOOK; transpose = b.variant % 4 == 2 ? 12 : 0; break;
      case Lead::BellTheme: theme = &THEME_A; left = right = BELL; break;
      case Lead::PluckTheme: theme = &THEME_C; left = right = PLUCK; break;
      case Lead::Sequence: {
        const ChordShape& sh = shapeOf(chord);
        for (int s = 0; s < 16; ++s) {
          const int midi = tone(sh.tones[static_cast<std::size_t>(SEQUENCE_STEPS[static_cast<std::size_t>(s)])] + 12);
          const double v = (s % 4 == 0 ? 32 : 24) * f;
          note(row0 + s, LEAD_LEFT_CH, midi, ARP, v);
          note(row0 + s + ECHO_DELAY, ECHO_CH, midi, ARP, v * 0.4);
          command(row0 + s + ECHO_DELAY, ECHO_CH, PANNING, s % 8 < 4 ? 0x20 : 0xE0);
        }
        return;
      }
    }
    const bool struck = left == BELL || left == PLUCK;
    const ChordShape& sh = shapeOf(chord);
    const int phraseRow = (i % theme->bars) * ROWS_PER_BAR;
    const double volume = (struck ? 44 : 40) * f;
    int previousEnd = -1, previousMidi = 0;
    for (std::size_t k = 0; k < theme->tones.size(); ++k) {
      const Tone& t = theme->tones[k];
      const bool inBar = t.row >= phraseRow && t.row < phraseRow + ROWS_PER_BAR;
      if (!inBar) {
        previousEnd = t.row + t.length, previousMidi = t.midi;
        continue;
      }
      const int row = row0 + t.row - phraseRow;
      const int midi = tone(t.midi + transpose);
      // Steps of a tone or less that follow on without a gap are sung legato: a glide (3xx).
      const bool slide = !struck && previousEnd == t.row && t.row != phraseRow && std::abs(t.midi - previousMidi) <= 2 &&
                         (b.variant + static_cast<int>(k)) % 2 == 0;
      if (struck) {
        note(row, LEAD_LEFT_CH, midi, left, volume);
      } else {
        leadNote(row, midi, left, right, volume, slide);
      }
      // The echo, thrown left and right in turn.
      note(row + ECHO_DELAY, ECHO_CH, midi, struck ? left : std::uint8_t{LEAD_LEFT}, volume * 0.35);
      command(row + ECHO_DELAY, ECHO_CH, PANNING, k % 2 ? 0x18 : 0xE8);
      if (!struck) {
        if (t.length >= 6) {
          // Long notes: vibrato once the note has settled; in the hook's second form, the chord as a
          // tracker arpeggio instead.
          for (int s = 3; s < t.length; ++s) {
            if (b.lead == Lead::Hook && b.variant % 4 == 1) {
              command(row + s, LEAD_LEFT_CH, ARPEGGIO, static_cast<std::uint8_t>(sh.third << 4 | 7));
              command(row + s, LEAD_RIGHT_CH, ARPEGGIO, static_cast<std::uint8_t>(sh.third << 4 | 7));
            } else {
              command(row + s, LEAD_LEFT_CH, VIBRATO, 0x64);
              command(row + s, LEAD_RIGHT_CH, VIBRATO, 0x64);
            }
          }
        }
        off(row + t.length, LEAD_LEFT_CH);
        off(row + t.length, LEAD_RIGHT_CH);
        off(row + t.length + ECHO_DELAY, ECHO_CH);
      }
      previousEnd = t.row + t.length, previousMidi = t.midi;
    }
    if (lastBar && !struck) {
      off(row0 + ROWS_PER_BAR, LEAD_LEFT_CH);
      off(row0 + ROWS_PER_BAR, LEAD_RIGHT_CH);
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
    composer.key = keyOfScene(scene);
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
