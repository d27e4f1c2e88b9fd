#include "show/PlayedRows.h"

#include "show/ModuleRenderer.h"

namespace {
struct Collector : ModuleRenderer::EventSink {
  std::vector<PlayedRows::Row>& rows;
  explicit Collector(std::vector<PlayedRows::Row>& target) : rows(target) {}
  void onZxxEvent(std::uint64_t, std::uint8_t) override {}
  void onRowStart(std::uint64_t sample, int order, int pattern, int row) override {
    rows.push_back({sample, static_cast<std::uint16_t>(order), static_cast<std::uint16_t>(pattern),
                    static_cast<std::uint16_t>(row)});
  }
};
}  // namespace

bool PlayedRows::compute(std::span<const std::uint8_t> module, int sampleRate) {
  entries.clear();
  length = 0;
  ModuleRenderer renderer(sampleRate);
  if (!renderer.open(module, ModuleRenderer::Mixing::Silent)) return false;
  // Long reads: the renderer splits them at the rows itself.
  constexpr std::size_t READ = 1 << 16;
  std::vector<float> scratch(2 * READ);
  Collector collector(entries);
  while (renderer.render(scratch.data(), READ, collector) == READ) {
  }
  length = renderer.renderedFrames();
  return true;
}
