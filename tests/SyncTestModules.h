#pragma once
// Modules with Zxx commands on known rows, written with the XM writer, for the music tests.

#include <cstdint>
#include <vector>

#include "tools/xm/XmWriter.h"

namespace synctest {

// One instrument (a looped sine), `patternCount` empty patterns of `rows` rows, orders 0, 1, ...
xm::XmModule module(int channels, int rows, int patternCount, int speed, int bpm);

// A held note on every channel at row 0 of every pattern, so the module is audible throughout.
void addNotes(xm::XmModule& song);

// Puts Zxx (code) into one cell.
void putZ(xm::XmModule& song, int pattern, int row, int channel, std::uint8_t code);

// The length of one row in samples at 44100 Hz: speed ticks of 2.5 / bpm seconds. Exact for the
// tempos whose tick is a whole number of samples (125: 882, 150: 735).
std::uint64_t rowFrames(int speed, int bpm);

}  // namespace synctest
