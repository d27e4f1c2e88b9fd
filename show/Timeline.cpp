#include "show/Timeline.h"

void appendTimeline(Sequencer& sequencer, const std::function<Effect*(std::string_view)>& effectNamed) {
  for (const TimelineEntry& entry : TIMELINE) sequencer.append(effectNamed(entry.effectName), entry.durationMs);
}
