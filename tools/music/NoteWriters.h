#pragma once
// The note writers: each turns one instrument family's part of a block into the cells of one bar
// (`row0` is the bar's first row, `f` its level), through the score's primitives. The composer
// calls them bar by bar in a fixed order, which matters where two share a channel: a note replaces
// what was there, a command, volume or note-off keeps what was written first.

#include "tools/music/Arrangement.h"
#include "tools/music/Harmony.h"
#include "tools/music/Score.h"

namespace music {

constexpr int ECHO_DELAY = 3;  // rows: a dotted eighth

// Drums.cpp. `buildStep` counts the bars of a build from 1 (0 outside one).
void writeDrums(Score& score, int row0, const Block& b, double f, int buildStep, int buildBars, bool noClaps);
// `step` counts the build's bars from 0 to `bars` - 1.
void writeBuild(Score& score, int row0, const Block& b, int step, int bars);
void writeFill(Score& score, int row0, const Block& b);
// The last beat before a drop cleared: drums, bass and melody cut (EC0) and nothing new struck;
// only the chords, the echoes and the riser ring on into the drop.
void silenceLastBeat(Score& score, int row0);

// Bass.cpp
void writeBassLine(Score& score, int row0, const Block& b, Chord chord, bool chordChanges, bool lastBar, double f,
                   bool dive);
void writeAcidLine(Score& score, int row0, const Block& b, Chord chord, int i, double f);

// Chords.cpp. `next` is the chord of the following bar.
void writeChords(Score& score, int row0, const Block& b, Chord chord, bool chordChanges, bool lastBar, double f,
                 Chord next);

// Arpeggios.cpp
void writeArpeggio(Score& score, int row0, const Block& b, Chord chord, double f, int i);
// One stab held through the last bar of a build and bent upwards (1xx) in place of the arpeggio.
void bendUp(Score& score, int row0, Chord chord);

// Melody.cpp
void writeMelody(Score& score, int row0, const Block& b, Chord chord, int i, bool lastBar, double f);

}  // namespace music
