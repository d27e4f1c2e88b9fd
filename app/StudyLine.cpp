#include "app/StudyLine.h"

#include <algorithm>
#include <cstdio>

#include "show/SampleRate.h"
#include "show/Timeline.h"

namespace {
// Appends to `line` (of `size` bytes) at `used`; returns the new length, kept within the buffer.
int append(char* line, int size, int used, const char* format, auto... values) {
  const int wrote = std::snprintf(line + used, static_cast<std::size_t>(size - used), format, values...);
  return wrote < 0 ? used : std::min(size - 1, used + wrote);
}

int appendTime(char* line, int size, int used, long long ms) {
  return append(line, size, used, "%02lld:%02lld.%03lld", ms / 60000, ms / 1000 % 60, ms % 1000);
}
}  // namespace

const char* StudyLine::update(std::int64_t frameIndex, const StudyReport& report, const CueTable* cues) {
  constexpr int size = sizeof text;
  const float timeMs = report.timeMs();
  const auto wholeMs = static_cast<long long>(timeMs < 0.0f ? 0.0f : timeMs);
  int used = appendTime(text, size, 0, wholeMs);
  used = append(text, size, used, "  frame %lld", static_cast<long long>(frameIndex));
  const int entry = report.entry();
  if (entry >= 0 && entry < TIMELINE_ENTRIES) {
    const auto name = TIMELINE[entry].effectName;
    used = append(text, size, used, "  #%d %.*s", entry + 1, static_cast<int>(name.size()), name.data());
  }
  if (cues) {
    const auto sample = static_cast<std::uint64_t>(wholeMs * static_cast<long long>(SAMPLE_RATE) / 1000);
    if (const CueTable::Cue* cue = cues->latestAtOrBefore(sample)) {
      used = append(text, size, used, "  cue %d @", cue->code);
      used = appendTime(text, size, used, static_cast<long long>(cue->sample * 1000 / SAMPLE_RATE));
    }
  }
  int shown = 0;
  for (const StudyValue& value : report.values()) {
    if (shown == VALUES_SHOWN) break;
    used = append(text, size, used, "%s%s %.5g%s%s", shown++ == 0 ? "\n" : "  ", value.name, value.value,
                  *value.unit ? " " : "", value.unit);
  }
  return text;
}
