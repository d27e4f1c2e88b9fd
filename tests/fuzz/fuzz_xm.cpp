// The XM pattern scanner alone on arbitrary bytes, checking what it promises for any input it
// accepts. Rendering what it accepts is fuzz_music's job; keeping libopenmpt out of this target
// lets it run thousands of inputs a second instead of a hundred.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "show/XmPatternScan.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  const XmPatternScan scan = XmPatternScan::scan(bytes);
  if (!scan.ok()) return 0;
  if (scan.clearedModule().size() != size) std::abort();
  for (const ZxxCell& cell : scan.cells()) {
    if (cell.channel >= scan.channelCount() || cell.pattern >= scan.patternCount()) std::abort();
  }
  // Clearing must be complete and must not disturb the structure: the cleared copy scans to the
  // same shape with no Zxx left.
  const XmPatternScan again = XmPatternScan::scan(scan.clearedModule());
  if (!again.ok() || !again.cells().empty()) std::abort();
  if (again.channelCount() != scan.channelCount() || again.patternCount() != scan.patternCount()) std::abort();
  return 0;
}
