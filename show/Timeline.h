#pragma once
// The show's 39 scenes. Each effect object appears in several entries and keeps its state from
// one appearance to the next. Entries name their effect as the effect catalogue does.

#include <functional>
#include <iterator>
#include <string_view>

#include "show/Sequencer.h"

struct TimelineEntry {
  std::string_view effectName;
  float durationMs;
};

inline constexpr TimelineEntry TIMELINE[] = {
    {"presents", 30000.0f}, {"title", 30000.0f},        {"heart", 120000.0f},       {"heart", 80000.0f},
    {"sphere", 80000.0f},   {"squaretunnel", 6000.0f},  {"plane", 14000.0f},        {"heart", 80000.0f},
    {"plane", 14000.0f},    {"tunnel", 74000.0f},       {"squaretunnel", 20000.0f}, {"squaretunnel", 14000.0f},
    {"plane", 20000.0f},    {"title", 30000.0f},        {"plane", 20000.0f},        {"tunnel", 74000.0f},
    {"plane", 20000.0f},    {"squaretunnel", 14000.0f}, {"plane", 20000.0f},        {"heart", 120000.0f},
    {"plane", 20000.0f},    {"title", 80000.0f},        {"plane", 20000.0f},        {"squaretunnel", 14000.0f},
    {"plane", 20000.0f},    {"title", 30000.0f},        {"plane", 20000.0f},        {"tunnel", 74000.0f},
    {"plane", 20000.0f},    {"squaretunnel", 14000.0f}, {"plane", 20000.0f},        {"title", 120000.0f},
    {"plane", 20000.0f},    {"sphere", 80000.0f},       {"plane", 20000.0f},        {"squaretunnel", 14000.0f},
    {"plane", 20000.0f},    {"end", 20000.0f},          {"end", 20000.0f},
};

inline constexpr int TIMELINE_ENTRIES = static_cast<int>(std::size(TIMELINE));

// The durations added up: the show's length when no cue skips or ends it early.
constexpr double timelineDurationMs() {
  double total = 0.0;
  for (const TimelineEntry& entry : TIMELINE) total += entry.durationMs;
  return total;
}

// Appends the entries in show order, each with the effect object effectNamed gives for its name.
void appendTimeline(Sequencer& sequencer, const std::function<Effect*(std::string_view)>& effectNamed);
