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
  Collector collector(entries);
  return renderer.playSilently(module, collector, length);
}
