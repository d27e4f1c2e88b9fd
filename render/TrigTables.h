#pragma once
// One full turn in 1024 steps; index with (step & 0x3FF) so that any integer names an angle.

inline constexpr int TRIG_STEPS = 1024;
inline constexpr int TRIG_MASK = 0x3FF;

extern float cosTable[TRIG_STEPS];
extern float sinTable[TRIG_STEPS];

// Fills both tables. The show's pi is the float 3.1415954 (0x40490FE6), eleven units in the last
// place above the nearest float to pi, so quarter and half turns are deliberately not exact.
void fillTrigTables();
