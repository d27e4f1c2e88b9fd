#pragma once
// The show's 39 scenes. Each effect object appears in several entries and keeps its state from
// one appearance to the next.

#include "show/Sequencer.h"

struct TimelineEffects {
  Effect* title;
  Effect* sphere;
  Effect* squareTunnel;
  Effect* tunnel;
  Effect* plane;
  Effect* heart;
  Effect* presents;
  Effect* end;
};

inline constexpr int TIMELINE_ENTRIES = 39;

// Appends the 39 entries in show order.
void appendTimeline(Sequencer& sequencer, const TimelineEffects& effects);
