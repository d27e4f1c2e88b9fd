#include "app/InfoLine.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "show/SampleRate.h"
#include "show/Timeline.h"

namespace {
// Appends to `line` (of `size` bytes) at `used`; returns the new length, kept within the buffer.
int append(char* line, int size, int used, const char* format, auto... values) {
  const int wrote = std::snprintf(line + used, static_cast<std::size_t>(size - used), format, values...);
  return wrote < 0 ? used : std::min(size - 1, used + wrote);
}
}  // namespace

bool InfoLine::update(float timeMs, int entry, const CueTable* cues, const SoundLevel* level, double nowMs) {
  const auto wholeMs = static_cast<long long>(timeMs < 0.0f ? 0.0f : timeMs);
  int used = append(next, sizeof next, 0, "%02lld:%02lld", wholeMs / 60000, wholeMs / 1000 % 60);
  if (entry >= 0 && entry < TIMELINE_ENTRIES) {
    const auto name = TIMELINE[entry].effectName;
    used = append(next, sizeof next, used, "  #%d %.*s", entry + 1, static_cast<int>(name.size()), name.data());
  }
  if (cues) {
    // The latest of the music's cues at or before the show time.
    const auto sample = static_cast<std::uint64_t>(wholeMs * static_cast<long long>(SAMPLE_RATE) / 1000);
    if (const CueTable::Cue* cue = cues->latestAtOrBefore(sample)) {
      const auto cueMs = static_cast<long long>(cue->sample * 1000 / SAMPLE_RATE);
      used = append(next, sizeof next, used, "  cue %d at %02lld:%02lld.%lld", cue->code, cueMs / 60000,
                    cueMs / 1000 % 60, cueMs / 100 % 10);
    }
  }
  if (level && nowMs < soundShownUntil)
    used = append(next, sizeof next, used, "  volume %d%%%s", level->volumePercent, level->muted ? " muted" : "");
  if (std::strcmp(next, shown) == 0) return false;
  std::memcpy(shown, next, sizeof shown);
  return true;
}
