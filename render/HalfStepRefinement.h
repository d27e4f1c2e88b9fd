#pragma once
// Fills a map of integer samples taken on a coarse lattice by repeated midpoint averaging, so
// that the costly per-pixel work is needed only at the lattice points.
//
// The map has `columns` elements a row (its row stride) and `rows` rows. The lattice rows are
// 0, spacing, 2 x spacing, ..., rows - 1; the lattice columns are the multiples of `spacing` and
// also the last column, columns - 1, which need not be a multiple. Horizontal passes on the
// lattice rows use the half-steps spacing/2, ..., 1 in turn, each filling the columns x that lie
// an odd number of half-steps h from 0 and have x + h within the map; vertical passes then fill
// the rows in between, over all columns, with the same half-steps. Each new value is
// (a + b) >> 1 with a + b an unsigned 32-bit sum that drops its carry and a logical shift, so
// values that do not fit a signed sum are still averaged the same way every time.

#include <cstddef>
#include <cstdint>

// spacing is a power of two; rows - 1 is a multiple of it.
void refineHalfSteps(std::int32_t* map, int columns, int rows, int spacing);

// The same work in two parts, for callers that use each band of rows as soon as it is done:
// first the horizontal passes on all lattice rows, then, for each band top = 0, spacing, ...,
// the rows strictly between top and top + spacing. The rows of a band depend only on its two
// lattice rows, so the bands may be done one at a time in any order.
void refineLatticeRows(std::int32_t* map, int columns, int rows, int spacing);
void refineBand(std::int32_t* map, int columns, int top, int spacing);

// The three maps of a textured scene, one layout: texture column, texture row and shade.
struct LatticeMaps {
  std::int32_t* u;
  std::int32_t* v;
  std::int32_t* shade;
  int columns;  // the row stride
  int spacing;
};

// Refines the maps down to row lastRow (a lattice row) band by band and calls drawRow(y, i) for
// every row y < lastRow as soon as its band is done, while it is still in the cache; i is the
// index of the row's first element.
template <typename DrawRow>
void refineInBands(const LatticeMaps& maps, int lastRow, DrawRow drawRow) {
  std::int32_t* const all[3] = {maps.u, maps.v, maps.shade};
  for (std::int32_t* map : all) refineLatticeRows(map, maps.columns, lastRow + 1, maps.spacing);
  for (int top = 0; top < lastRow; top += maps.spacing) {
    for (std::int32_t* map : all) refineBand(map, maps.columns, top, maps.spacing);
    for (int y = top; y < top + maps.spacing; ++y) drawRow(y, static_cast<std::ptrdiff_t>(y) * maps.columns);
  }
}
