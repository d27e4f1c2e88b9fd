#include "render/HalfStepRefinement.h"

#include <cstddef>

namespace {

inline std::uint32_t midpoint(std::uint32_t a, std::uint32_t b) { return (a + b) >> 1; }

// One whole row as the average of two others; a plain loop the compiler turns into vector code.
void averageRows(std::uint32_t* out, const std::uint32_t* above,
                 const std::uint32_t* below, int columns) {
  for (int x = 0; x < columns; ++x) out[x] = midpoint(above[x], below[x]);
}

}  // namespace

void refineLatticeRows(std::int32_t* map, int columns, int rows, int spacing) {
  // Unsigned storage view: the sums must wrap, never overflow as signed numbers.
  auto* cells = reinterpret_cast<std::uint32_t*>(map);
  const int lastColumn = columns - 1;
  for (int y = 0; y < rows; y += spacing) {
    std::uint32_t* row = cells + static_cast<std::ptrdiff_t>(y) * columns;
    for (int h = spacing / 2; h >= 1; h /= 2) {
      for (int x = h; x + h <= lastColumn; x += 2 * h) row[x] = midpoint(row[x - h], row[x + h]);
    }
  }
}

void refineBand(std::int32_t* map, int columns, int top, int spacing) {
  auto* cells = reinterpret_cast<std::uint32_t*>(map);
  const auto rowAt = [&](int y) { return cells + static_cast<std::ptrdiff_t>(y) * columns; };
  for (int h = spacing / 2; h >= 1; h /= 2) {
    for (int y = top + h; y < top + spacing; y += 2 * h) averageRows(rowAt(y), rowAt(y - h), rowAt(y + h), columns);
  }
}

void refineHalfSteps(std::int32_t* map, int columns, int rows, int spacing) {
  refineLatticeRows(map, columns, rows, spacing);
  for (int top = 0; top + spacing < rows; top += spacing) refineBand(map, columns, top, spacing);
}
