#include "show/Timeline.h"

void appendTimeline(Sequencer& sequencer, const TimelineEffects& e) {
  struct Entry {
    Effect* effect;
    float durationMs;
  };
  const Entry entries[TIMELINE_ENTRIES] = {
      {e.presents, 30000.0f},     {e.title, 30000.0f},        {e.heart, 120000.0f},
      {e.heart, 80000.0f},        {e.sphere, 80000.0f},       {e.squareTunnel, 6000.0f},
      {e.plane, 14000.0f},        {e.heart, 80000.0f},        {e.plane, 14000.0f},
      {e.tunnel, 74000.0f},       {e.squareTunnel, 20000.0f}, {e.squareTunnel, 14000.0f},
      {e.plane, 20000.0f},        {e.title, 30000.0f},        {e.plane, 20000.0f},
      {e.tunnel, 74000.0f},       {e.plane, 20000.0f},        {e.squareTunnel, 14000.0f},
      {e.plane, 20000.0f},        {e.heart, 120000.0f},       {e.plane, 20000.0f},
      {e.title, 80000.0f},        {e.plane, 20000.0f},        {e.squareTunnel, 14000.0f},
      {e.plane, 20000.0f},        {e.title, 30000.0f},        {e.plane, 20000.0f},
      {e.tunnel, 74000.0f},       {e.plane, 20000.0f},        {e.squareTunnel, 14000.0f},
      {e.plane, 20000.0f},        {e.title, 120000.0f},       {e.plane, 20000.0f},
      {e.sphere, 80000.0f},       {e.plane, 20000.0f},        {e.squareTunnel, 14000.0f},
      {e.plane, 20000.0f},        {e.end, 20000.0f},          {e.end, 20000.0f},
  };
  for (const Entry& entry : entries) sequencer.append(entry.effect, entry.durationMs);
}
