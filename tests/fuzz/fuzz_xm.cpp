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
  // Keeping every cell reads the same Zxx, each in the grid where the list puts it.
  const XmPatternScan every = XmPatternScan::scan(bytes, XmPatternScan::Keep::EveryCell);
  if (every.cells() != scan.cells()) std::abort();
  for (const ZxxCell& cell : scan.cells()) {
    const std::span<const XmCell> row = every.rowCells(cell.pattern, cell.row);
    if (row.size() != static_cast<std::size_t>(scan.channelCount())) std::abort();
    if (row[cell.channel].effect != XmPatternScan::EFFECT_Z || row[cell.channel].param != cell.code) std::abort();
  }
  // Clearing must be complete and must not disturb the structure: the cleared copy scans to the
  // same shape with no Zxx left.
  const XmPatternScan again = XmPatternScan::scan(scan.clearedModule());
  if (!again.ok() || !again.cells().empty()) std::abort();
  if (again.channelCount() != scan.channelCount() || again.patternCount() != scan.patternCount()) std::abort();
  return 0;
}
