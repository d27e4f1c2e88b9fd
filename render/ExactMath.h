#pragma once

#include <cstdint>

// Sine, cosine and two-argument arc tangent rounded correctly (to nearest, ties to even) for every
// double, so the pictures that use them come out the same on every platform and C library.
// Special inputs give what C99 Annex F asks of the C library: NaN for sin and cos of an infinity,
// signed zeros kept, atan2's values on the axes and at infinities.
double exactSin(double x);
double exactCos(double x);
double exactAtan2(double y, double x);

namespace exactmath {

// How many calls so far needed the multi-precision path, which settles the cases the fast
// double-double evaluation cannot round with certainty.
std::uint64_t slowPathCount();

// The fast evaluation alone, for checking its error bound: hi + lo approximates the result with an
// absolute error of at most err; valid is false where the fast path does not apply (special,
// tiny or huge arguments).
struct Approximation {
  double hi;
  double lo;
  double err;
  bool valid;
};
Approximation fastSin(double x);
Approximation fastCos(double x);
Approximation fastAtan2(double y, double x);

}  // namespace exactmath
