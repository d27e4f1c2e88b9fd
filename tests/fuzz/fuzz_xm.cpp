// The XM pattern scanner on arbitrary bytes, then a short rendering of whatever it accepts, so the
// row lookups run against positions libopenmpt reports for broken modules too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "show/ModuleRenderer.h"
#include "show/XmPatternScan.h"

namespace {
struct Discard : ModuleRenderer::EventSink {
  void onZxxEvent(std::uint64_t, std::uint8_t) override {}
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  const XmPatternScan scan = XmPatternScan::scan(bytes);
  if (!scan.ok()) return 0;
  // What the scanner promises for any input it accepts.
  if (scan.clearedModule().size() != size) std::abort();
  for (const ZxxCell& cell : scan.cells()) {
    if (cell.channel >= scan.channelCount() || cell.pattern >= scan.patternCount()) std::abort();
  }
  if (!XmPatternScan::scan(scan.clearedModule()).cells().empty()) std::abort();

  ModuleRenderer renderer;
  if (!renderer.open(bytes)) return 0;
  std::vector<float> buffer(2 * 512);
  Discard sink;
  for (int i = 0; i < 4 && renderer.render(buffer.data(), 512, sink) == 512; ++i) {
  }
  return 0;
}
