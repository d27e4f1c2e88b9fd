#include "show/CueTable.h"

#include <algorithm>

#include "show/ModuleRenderer.h"

namespace {
struct Collector : ModuleRenderer::EventSink {
  std::vector<CueTable::Cue>& cues;
  explicit Collector(std::vector<CueTable::Cue>& target) : cues(target) {}
  void onZxxEvent(std::uint64_t sample, std::uint8_t code) override { cues.push_back({sample, code}); }
};
}  // namespace

bool CueTable::compute(std::span<const std::uint8_t> module) {
  entries.clear();
  length = 0;
  ModuleRenderer renderer;
  Collector collector(entries);
  return renderer.playSilently(module, collector, length);
}

std::size_t CueTable::firstAtOrAfter(std::uint64_t sample) const {
  const auto at = std::lower_bound(entries.begin(), entries.end(), sample,
                                   [](const Cue& cue, std::uint64_t s) { return cue.sample < s; });
  return static_cast<std::size_t>(at - entries.begin());
}

const CueTable::Cue* CueTable::latestAtOrBefore(std::uint64_t sample) const {
  const std::size_t after = firstAtOrAfter(sample + 1);
  return after > 0 ? &entries[after - 1] : nullptr;
}
