#include "render/ExactMath.h"

#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

#include "render/ExactMathTables.h"

// The error-free transformations below are only exact when no multiply is fused into an add; the
// build turns contraction off everywhere, and clang is told again here for builds that forget.
#ifdef __clang__
#pragma clang fp contract(off)
#endif

// Each function first evaluates in double-double arithmetic with a proven error bound and keeps the
// result when the whole interval it allows rounds to one double (Ziv's test). The rare rest goes to
// a fixed-point evaluation with 256, then 512, then 736 fraction bits, each with its own rounding
// test. sin(x) and cos(x) for x != 0 and atan(q) for rational q != 0 are transcendental, so they
// never sit exactly on a rounding boundary; the hardest double arguments of sin and cos known from
// exhaustive searches (Lefevre and Muller) need around 120 bits, well inside the first step.
namespace exactmath {
namespace {

std::atomic<std::uint64_t> slowCalls{0};

constexpr double INF = std::numeric_limits<double>::infinity();
constexpr double QUARTER_PI_BELOW = 0x1.921fb54442d18p-1;  // the double nearest pi/4 lies below it
constexpr double TWO_OVER_PI = 0x1.45f306dc9c883p-1;
constexpr double CODY_WAITE_LIMIT = 0x1p28;
constexpr double ROUNDED_QUARTER_PI = 0x1.921fb54442d18p-1;
constexpr double ROUNDED_HALF_PI = 0x1.921fb54442d18p+0;
constexpr double ROUNDED_THREE_QUARTER_PI = 0x1.2d97c7f3321d2p+1;
constexpr double ROUNDED_PI = 0x1.921fb54442d18p+1;
// Relative error bounds of the double-double evaluations, more than twice the bounds worked out
// beside the code (2^-67.7 for sin and cos of the reduced argument, 2^-67.3 for the arc tangent;
// MPFR finds at most 2^-70.1 and 2^-68.8 on millions of arguments).
constexpr double SIN_COS_ERROR = 0x1p-66;
constexpr double ATAN_ERROR = 0x1p-66;

// ---- Double-double arithmetic; error-free transformations without fused multiply-add.

DoubleDouble fastTwoSum(double a, double b) {  // |a| >= |b| or a == 0
  const double s = a + b;
  return {s, b - (s - a)};
}

DoubleDouble twoSum(double a, double b) {
  const double s = a + b;
  const double bb = s - a;
  return {s, (a - (s - bb)) + (b - bb)};
}

// Dekker's product: exact for |a|, |b| < 2^995 without underflow.
DoubleDouble twoProd(double a, double b) {
  constexpr double SPLITTER = 134217729.0;  // 2^27 + 1
  const double p = a * b;
  const double ca = SPLITTER * a;
  const double cb = SPLITTER * b;
  const double ah = ca - (ca - a);
  const double al = a - ah;
  const double bh = cb - (cb - b);
  const double bl = b - bh;
  return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

DoubleDouble negate(DoubleDouble a) { return {-a.hi, -a.lo}; }

// Relative error at most 3 * 2^-106 (Joldes, Muller and Popescu, 2017).
DoubleDouble add(DoubleDouble a, DoubleDouble b) {
  DoubleDouble s = twoSum(a.hi, b.hi);
  const DoubleDouble t = twoSum(a.lo, b.lo);
  s = fastTwoSum(s.hi, s.lo + t.hi);
  return fastTwoSum(s.hi, s.lo + t.lo);
}

// Error at most 2^-106 (|a.hi| + |a.hi + b|).
DoubleDouble add(DoubleDouble a, double b) {
  const DoubleDouble s = twoSum(a.hi, b);
  return fastTwoSum(s.hi, s.lo + a.lo);
}

// Relative error below 2^-104.
DoubleDouble mul(DoubleDouble a, DoubleDouble b) {
  const DoubleDouble p = twoProd(a.hi, b.hi);
  return fastTwoSum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

DoubleDouble mul(DoubleDouble a, double b) {
  const DoubleDouble p = twoProd(a.hi, b);
  return fastTwoSum(p.hi, p.lo + a.lo * b);
}

// Relative error below 2^-100.
DoubleDouble div(DoubleDouble a, DoubleDouble b) {
  const double q1 = a.hi / b.hi;
  const DoubleDouble r = add(a, negate(mul(b, q1)));
  return fastTwoSum(q1, r.hi / b.hi);
}

// True when every real within err of v.hi + v.lo rounds to v.hi (v normalised, |v.hi| >= 2^-960):
// the interval stays short of the midpoints to the neighbours above and below, the gap below a
// power of two being half the gap above.
bool roundsToHi(DoubleDouble v, double err) {
  const std::uint64_t magnitudeBits = std::bit_cast<std::uint64_t>(v.hi) & 0x7FFFFFFFFFFFFFFFu;
  const double power = std::bit_cast<double>(magnitudeBits & 0x7FF0000000000000u);
  const double halfGapAbove = power * 0x1p-53;
  const double halfGapBelow = (magnitudeBits & 0xFFFFFFFFFFFFFu) == 0 ? power * 0x1p-54 : halfGapAbove;
  const double outward = v.hi < 0 ? -v.lo : v.lo;  // lo measured away from zero
  const double margin = err * (1.0 + 0x1p-50);
  return (outward + margin) * (1.0 + 0x1p-50) < halfGapAbove && (margin - outward) * (1.0 + 0x1p-50) < halfGapBelow;
}

// |v| = m * 2^e with m in [2^52, 2^53), for finite v != 0 (subnormals normalised).
struct Unpacked {
  std::uint64_t m;
  int e;
};

Unpacked unpack(double v) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(v) & 0x7FFFFFFFFFFFFFFFu;
  const int field = static_cast<int>(bits >> 52);
  std::uint64_t m = bits & 0xFFFFFFFFFFFFFu;
  if (field == 0) {
    const int shift = std::countl_zero(m) - 11;
    return {m << shift, -1074 - shift};
  }
  return {m | (std::uint64_t{1} << 52), field - 1075};
}

// ---- Sine and cosine, fast path.

// ax = quadrant * pi/2 + r, with |r| <= pi/4 + 2^-24 and |r - (r.hi + r.lo)| <= err.
struct Reduction {
  DoubleDouble r;
  unsigned quadrant;
  double err;
};

// Cody and Waite's reduction for 0 <= ax < 2^28: pi/2 in four parts of 25, 25, 53 and 53 bits.
// k times either of the first two parts is exact, and so is ax - k * part0 (both are multiples of
// ulp(ax) and their difference stays below 2^53 ulp(ax)); the two double-double steps after that
// add at most 2^-103 |r|, the last part and the truncation of pi/2 at most 2^-130.
Reduction reduce(double ax) {
  if (ax <= QUARTER_PI_BELOW) return {{ax, 0.0}, 0, 0.0};
  const double k = (ax * TWO_OVER_PI + 0x1.8p52) - 0x1.8p52;
  const double r0 = ax - k * HALF_PI_PARTS[0];
  DoubleDouble r = twoSum(r0, -(k * HALF_PI_PARTS[1]));
  r = add(r, negate(twoProd(k, HALF_PI_PARTS[2])));
  r = add(r, -(k * HALF_PI_PARTS[3]));
  const auto quadrant = static_cast<unsigned>(static_cast<std::int64_t>(k) & 3);
  return {r, quadrant, std::fabs(r.hi) * 0x1p-100 + 0x1p-120};
}

// sin r (or cos r when wantCos) for |r| <= pi/4 + 2^-24, from the table entry at c = j/256 nearest
// to |r| and the Taylor polynomials of d = |r| - c, |d| <= 2^-9:
//   sin(c + d) = S cos d + C sin d,  cos(c + d) = C cos d - S sin d.
// sin d - d and cos d - 1 are formed in double from d.hi: truncation, the dropped d.lo and the
// roundings cost at most 2^-70.7 |d| and 2^-69.4; with the table's 2^-106 and the products' and
// sums' 2^-104, the results are within 2^-67.7 of the true values, relatively (worst at j = 1).
DoubleDouble sinOrCosReduced(DoubleDouble r, bool wantCos) {
  const bool negative = r.hi < 0;
  if (negative) r = negate(r);
  const int j = static_cast<int>(r.hi * 256.0 + 0.5);
  const double c = j * 0x1p-8;
  const DoubleDouble d = twoSum(r.hi - c, r.lo);  // r.hi - c is exact
  const double u = d.hi * d.hi;
  const double sinTail = d.hi * u * (-1.0 / 6 + u * (1.0 / 120 + u * (-1.0 / 5040)));
  const double cosTail = u * (-0.5 + u * (1.0 / 24 + u * (-1.0 / 720 + u * (1.0 / 40320))));
  const DoubleDouble s = SIN_STEPS[j];
  const DoubleDouble co = COS_STEPS[j];
  if (wantCos) return add(co, add(negate(mul(s, d)), co.hi * cosTail - s.hi * sinTail));
  const DoubleDouble sn = add(s, add(mul(co, d), s.hi * cosTail + co.hi * sinTail));
  return negative ? negate(sn) : sn;
}

Approximation fastSinCos(double x, bool wantCos) {
  const double ax = std::fabs(x);
  if (!(ax >= 0x1p-27) || !(ax < CODY_WAITE_LIMIT)) return {0.0, 0.0, 0.0, false};
  const Reduction red = reduce(ax);
  const unsigned q = red.quadrant + (wantCos ? 1u : 0u);  // cos x = sin(x + pi/2)
  DoubleDouble v = sinOrCosReduced(red.r, (q & 1u) != 0);
  if ((q & 2u) != 0) v = negate(v);
  if (!wantCos && x < 0) v = negate(v);
  return {v.hi, v.lo, std::fabs(v.hi) * SIN_COS_ERROR + red.err, true};
}

// ---- Arc tangent, fast path.

// atan2(y, x) for finite y, x != 0 is, with t = small / big = min(|x|, |y|) / max(|x|, |y|) <= 1,
// one of atan t, pi/2 - atan t, pi/2 + atan t or pi - atan t, signed like y.
enum class Branch { ATAN, HALF_PI_MINUS, HALF_PI_PLUS, PI_MINUS };

struct Atan2Work {
  double small;  // the quotient's operands scaled so that big lies in [1, 2), small in [2^-62, 2)
  double big;
  Branch branch;
  DoubleDouble atanT;
  DoubleDouble result;
  double err;
};

// atan t = atan c + atan d with c = i/128 nearest to t and d = (small - c big) / (big + c small),
// |d| <= 2^-8. atan d - d is formed in double from d.hi, within 2^-67.6 |d|; with the table's
// 2^-106 and the double-double steps the sum is within 2^-67.4 of atan t, relatively, and the
// final addition of pi/2 or pi keeps that (no cancellation: atan t <= pi/4).
Atan2Work atan2Fast(double small, double big, Branch branch) {
  Atan2Work w{small, big, branch, {}, {}, 0.0};
  const int i = static_cast<int>(small / big * 128.0 + 0.5);
  const double c = i * 0x1p-7;
  const DoubleDouble num = add(DoubleDouble{small, 0.0}, negate(twoProd(c, big)));
  const DoubleDouble den = add(DoubleDouble{big, 0.0}, twoProd(c, small));
  const DoubleDouble d = div(num, den);
  const double u = d.hi * d.hi;
  const double tail = d.hi * u * (-1.0 / 3 + u * (1.0 / 5 + u * (-1.0 / 7 + u * (1.0 / 9 + u * (-1.0 / 11)))));
  w.atanT = add(ATAN_STEPS[i], add(d, tail));
  switch (branch) {
    case Branch::ATAN:
      w.result = w.atanT;
      break;
    case Branch::HALF_PI_MINUS:
      w.result = add(HALF_PI_DD, negate(w.atanT));
      break;
    case Branch::HALF_PI_PLUS:
      w.result = add(HALF_PI_DD, w.atanT);
      break;
    case Branch::PI_MINUS:
      w.result = add(PI_DD, negate(w.atanT));
      break;
  }
  w.err = std::fabs(w.result.hi) * ATAN_ERROR;
  return w;
}

// atan(ay / ax) for a quotient t below 2^-61. atan t = t - t^3/3 + ..., and such a quotient of two
// doubles lies at least t 2^-106 (or 2^-1128 among subnormals) from any rounding boundary it is
// not exactly on, far more than t^3: so atan t rounds like t, except when t is exactly halfway
// between two subnormals, where it rounds toward zero.
double tinyAtan(double ay, double ax) {
  const double q = ay / ax;
  const Unpacked uy = unpack(ay);
  Unpacked ux = unpack(ax);
  const int zeros = std::countr_zero(ux.m);
  ux.m >>= zeros;
  ux.e += zeros;
  if (uy.m % ux.m != 0) return q;
  const std::uint64_t quotient = uy.m / ux.m;  // t = quotient * 2^e exactly
  const int e = uy.e - ux.e;
  if (e >= -1074) return q;
  const int j = -1074 - e;
  if (j > 63) return q;
  const std::uint64_t half = std::uint64_t{1} << (j - 1);
  if ((quotient & ((half << 1) - 1)) != half) return q;
  return std::bit_cast<double>(quotient >> j);
}

// ---- Fixed-point multi-precision for the slow path.

// A two's complement number of N 32-bit words, least significant first, with 32 (N - 1) fraction
// bits: the last word is the integer part.
template <int N>
struct Fixed {
  std::array<std::uint32_t, N> w{};
};

template <int N>
constexpr int FRACTION_BITS = 32 * (N - 1);

template <int N>
bool isNegative(const Fixed<N>& a) {
  return (a.w[N - 1] >> 31) != 0;
}

template <int N>
bool isZero(const Fixed<N>& a) {
  for (std::uint32_t v : a.w)
    if (v != 0) return false;
  return true;
}

template <int N>
Fixed<N> add(const Fixed<N>& a, const Fixed<N>& b) {
  Fixed<N> r;
  std::uint64_t carry = 0;
  for (int i = 0; i < N; ++i) {
    const std::uint64_t t = std::uint64_t{a.w[i]} + b.w[i] + carry;
    r.w[i] = static_cast<std::uint32_t>(t);
    carry = t >> 32;
  }
  return r;
}

template <int N>
Fixed<N> negate(const Fixed<N>& a) {
  Fixed<N> r;
  std::uint64_t carry = 1;
  for (int i = 0; i < N; ++i) {
    const std::uint64_t t = std::uint64_t{~a.w[i]} + carry;
    r.w[i] = static_cast<std::uint32_t>(t);
    carry = t >> 32;
  }
  return r;
}

template <int N>
Fixed<N> sub(const Fixed<N>& a, const Fixed<N>& b) {
  return add(a, negate(b));
}

template <int N>
Fixed<N> magnitude(const Fixed<N>& a) {
  return isNegative(a) ? negate(a) : a;
}

// The product truncated toward zero (off by less than one unit of the last word).
template <int N>
Fixed<N> multiply(const Fixed<N>& a, const Fixed<N>& b) {
  const Fixed<N> x = magnitude(a);
  const Fixed<N> y = magnitude(b);
  std::array<std::uint32_t, 2 * N> p{};
  for (int i = 0; i < N; ++i) {
    std::uint64_t carry = 0;
    for (int j = 0; j < N; ++j) {
      const std::uint64_t t = std::uint64_t{x.w[i]} * y.w[j] + p[i + j] + carry;
      p[i + j] = static_cast<std::uint32_t>(t);
      carry = t >> 32;
    }
    p[i + N] = static_cast<std::uint32_t>(carry);
  }
  Fixed<N> r;
  for (int i = 0; i < N; ++i) r.w[i] = p[i + N - 1];
  return isNegative(a) != isNegative(b) ? negate(r) : r;
}

template <int N>
Fixed<N> divideSmall(const Fixed<N>& a, std::uint32_t d) {
  Fixed<N> r = magnitude(a);
  std::uint64_t rest = 0;
  for (int i = N - 1; i >= 0; --i) {
    const std::uint64_t t = (rest << 32) | r.w[i];
    r.w[i] = static_cast<std::uint32_t>(t / d);
    rest = t % d;
  }
  return isNegative(a) ? negate(r) : r;
}

// a >= 0 divided by 2^bits, truncated.
template <int N>
Fixed<N> shiftRight(const Fixed<N>& a, int bits) {
  Fixed<N> r;
  const int words = bits / 32;
  const int rest = bits % 32;
  for (int i = 0; i + words < N; ++i) {
    std::uint64_t v = a.w[i + words];
    if (i + words + 1 < N) v |= std::uint64_t{a.w[i + words + 1]} << 32;
    r.w[i] = static_cast<std::uint32_t>(v >> rest);
  }
  return r;
}

template <int N>
Fixed<N> fromInteger(std::uint32_t k) {
  Fixed<N> r;
  r.w[N - 1] = k;
  return r;
}

// v (|v| < 2^31) truncated to the fixed-point grid.
template <int N>
Fixed<N> fromDouble(double v) {
  Fixed<N> r;
  if (v == 0.0) return r;
  const Unpacked u = unpack(v);
  const int shift = u.e + FRACTION_BITS<N>;  // r = m * 2^shift in units of the last word
  for (int i = 0; i < N; ++i) {
    const int low = 32 * i - shift;  // bit of m that lands at bit 0 of word i
    std::uint64_t part = 0;
    if (low >= 0 && low < 64)
      part = u.m >> low;
    else if (low < 0 && low > -32)
      part = u.m << -low;
    r.w[i] = static_cast<std::uint32_t>(part);
  }
  return v < 0 ? negate(r) : r;
}

// A rough value of a > 0, for seeding Newton's iteration.
template <int N>
double approximate(const Fixed<N>& a) {
  double v = 0.0;
  for (int i = N - 1; i >= 0; --i) v += std::ldexp(static_cast<double>(a.w[i]), 32 * i - FRACTION_BITS<N>);
  return v;
}

// 1/d for d in [1/2, 2], by Newton's iteration from a double seed (2^-52 -> 2^-832 after four).
template <int N>
Fixed<N> reciprocal(const Fixed<N>& d) {
  const Fixed<N> one = fromInteger<N>(1);
  Fixed<N> y = fromDouble<N>(1.0 / approximate(d));
  for (int i = 0; i < 4; ++i) y = add(y, multiply(y, sub(one, multiply(d, y))));
  return y;
}

template <int N>
Fixed<N> halfPi() {
  Fixed<N> r;
  for (int i = 0; i < N; ++i) r.w[N - 1 - i] = HALF_PI_WORDS[i];
  return r;
}

// sum (-r2)^n / (2n + 1)! and sum (-r2)^n / (2n)! for 0 <= r2 < 1: sin r = r * the first,
// cos r = the second. Each term costs at most two units, so the sums are within 2 * 70 units.
template <int N>
Fixed<N> sinSeries(const Fixed<N>& r2) {
  Fixed<N> sum = fromInteger<N>(1);
  Fixed<N> term = sum;
  for (std::uint32_t n = 1;; ++n) {
    term = divideSmall(multiply(term, r2), (2 * n) * (2 * n + 1));
    if (isZero(term)) return sum;
    sum = (n & 1) != 0 ? sub(sum, term) : add(sum, term);
  }
}

template <int N>
Fixed<N> cosSeries(const Fixed<N>& r2) {
  Fixed<N> sum = fromInteger<N>(1);
  Fixed<N> term = sum;
  for (std::uint32_t n = 1;; ++n) {
    term = divideSmall(multiply(term, r2), (2 * n - 1) * (2 * n));
    if (isZero(term)) return sum;
    sum = (n & 1) != 0 ? sub(sum, term) : add(sum, term);
  }
}

// Rounds +-v * 2^-scale to the nearest double, or gives up when v, known to within 2^16 units of
// its last word (the evaluations below stay under 2^10), may lie on either side of a midpoint
// between two doubles. The result must be a normal number.
template <int N>
std::optional<double> roundFixed(Fixed<N> v, int scale, bool negative, bool force) {
  if (isNegative(v)) {
    v = negate(v);
    negative = !negative;
  }
  int top = -1;
  for (int i = N - 1; i >= 0 && top < 0; --i)
    if (v.w[i] != 0) top = 32 * i + 31 - std::countl_zero(v.w[i]);
  const int cut = top - 52;
  if (cut < 80 && !force) return std::nullopt;
  auto bitsFrom = [&v](int from, int count) {
    std::uint64_t bits = 0;
    for (int b = from + count - 1; b >= from; --b) {
      const std::uint32_t bit = b >= 0 ? (v.w[b / 32] >> (b % 32)) & 1u : 0u;
      bits = (bits << 1) | bit;
    }
    return bits;
  };
  const std::uint64_t mantissa = bitsFrom(cut, 53);
  const std::uint64_t rest = bitsFrom(cut - 64, 64);
  constexpr std::uint64_t HALF = std::uint64_t{1} << 63;
  if ((rest == HALF || rest == HALF - 1) && !force) return std::nullopt;
  const double m = static_cast<double>(mantissa + (rest >= HALF ? 1u : 0u));
  const double r = std::ldexp(m, cut - FRACTION_BITS<N> - scale);
  return negative ? -r : r;
}

// Bits start .. start + 31 of 2/pi, bit i weighing 2^-i, the first the most significant.
std::uint32_t twoOverPiBits(int start) {
  std::uint32_t v = 0;
  for (int b = 0; b < 32; ++b) {
    const int i = start + b;
    std::uint32_t bit = 0;
    if (i >= 1) bit = (TWO_OVER_PI_WORDS[(i - 1) / 32] >> (31 - (i - 1) % 32)) & 1u;
    v = (v << 1) | bit;
  }
  return v;
}

// The reduced argument r = +-rho * 2^-shift, |r| <= pi/4, of ax = quadrant * pi/2 + r.
template <int N>
struct SlowReduction {
  Fixed<N> rho;  // in [pi/4, 2)
  int shift;
  bool negative;
  unsigned quadrant;
};

// Payne and Hanek's reduction for ax >= pi/4: with ax = m 2^e only the bits of 2/pi from 2^-(e-1)
// on matter modulo 4; a window of 32 (N + 4) of them leaves an error below 2^(54 - 32 (N + 4)) in
// ax * 2/pi, far below one unit even after normalising the fraction (which never starts more
// than 64 bits down for a double argument).
template <int N>
std::optional<SlowReduction<N>> reduceExactly(double ax) {
  constexpr int WORDS = N + 4;
  const Unpacked u = unpack(ax);
  std::array<std::uint32_t, WORDS> g{};
  for (int k = 0; k < WORDS; ++k) g[WORDS - 1 - k] = twoOverPiBits(u.e - 1 + 32 * k);
  // p = m * g modulo 2^(32 WORDS); ax * 2/pi = p * 2^(2 - 32 WORDS) modulo 4.
  std::array<std::uint32_t, WORDS> p{};
  const std::uint64_t mLow = u.m & 0xFFFFFFFFu;
  const std::uint64_t mHigh = u.m >> 32;
  std::uint64_t carry = 0;
  for (int k = 0; k < WORDS; ++k) {
    const std::uint64_t t = g[k] * mLow + carry;
    p[k] = static_cast<std::uint32_t>(t);
    carry = t >> 32;
  }
  carry = 0;
  for (int k = 1; k < WORDS; ++k) {
    const std::uint64_t t = g[k - 1] * mHigh + p[k] + carry;
    p[k] = static_cast<std::uint32_t>(t);
    carry = t >> 32;
  }
  SlowReduction<N> red{};
  unsigned k = p[WORDS - 1] >> 30;
  red.negative = ((p[WORDS - 1] >> 29) & 1u) != 0;
  p[WORDS - 1] &= 0x3FFFFFFFu;
  if (red.negative) {  // the fraction is above 1/2: take it from the next integer
    ++k;
    std::uint64_t c = 1;
    for (int i = 0; i < WORDS; ++i) {
      const std::uint64_t t = std::uint64_t{~p[i]} + c;
      p[i] = static_cast<std::uint32_t>(t);
      c = t >> 32;
    }
    p[WORDS - 1] &= 0x3FFFFFFFu;
  }
  red.quadrant = k & 3u;
  int top = -1;
  for (int i = WORDS - 1; i >= 0 && top < 0; --i)
    if (p[i] != 0) top = 32 * i + 31 - std::countl_zero(p[i]);
  const int fractionBits = 32 * WORDS - 2;
  red.shift = fractionBits - 1 - top;  // |f| * 2^shift lies in [1/2, 1)
  const int drop = top + 1 - FRACTION_BITS<N>;
  if (top < 0 || drop < 0) return std::nullopt;
  Fixed<N> f;
  for (int i = 0; i < N; ++i) {
    const int low = drop + 32 * i;
    std::uint64_t v = p[low / 32];
    if (low / 32 + 1 < WORDS) v |= std::uint64_t{p[low / 32 + 1]} << 32;
    f.w[i] = static_cast<std::uint32_t>(v >> (low % 32));
  }
  red.rho = multiply(f, halfPi<N>());
  return red;
}

template <int N>
std::optional<double> slowSinCos(double x, bool wantCos, bool force) {
  const double ax = std::fabs(x);
  SlowReduction<N> red{};
  if (ax <= QUARTER_PI_BELOW) {
    const Unpacked u = unpack(ax);
    red.rho = fromDouble<N>(std::ldexp(static_cast<double>(u.m), -52));
    red.shift = -52 - u.e;
  } else {
    const auto exact = reduceExactly<N>(ax);
    if (!exact) return std::nullopt;
    red = *exact;
  }
  const Fixed<N> r2 = 2 * red.shift >= 32 * N ? Fixed<N>{} : shiftRight(multiply(red.rho, red.rho), 2 * red.shift);
  const unsigned q = red.quadrant + (wantCos ? 1u : 0u);
  bool negative = ((q & 2u) != 0) != (!wantCos && x < 0);
  if ((q & 1u) != 0) return roundFixed(cosSeries(r2), 0, negative, force);
  if (red.negative) negative = !negative;
  return roundFixed(multiply(red.rho, sinSeries(r2)), red.shift, negative, force);
}

double slowSinCos(double x, bool wantCos) {
  slowCalls.fetch_add(1, std::memory_order_relaxed);
  if (const auto r = slowSinCos<9>(x, wantCos, false)) return *r;
  if (const auto r = slowSinCos<17>(x, wantCos, false)) return *r;
  // Empty only if the reduced argument had no bit within the window, which no double comes near.
  return slowSinCos<24>(x, wantCos, true).value_or(std::numeric_limits<double>::quiet_NaN());
}

// atan t = a0 + atan((t cos a0 - sin a0) / (cos a0 + t sin a0)) around the fast path's a0, whose
// correction is tiny and its series short.
template <int N>
std::optional<double> slowAtan2(const Atan2Work& w, bool negative, bool force) {
  const Fixed<N> t = multiply(fromDouble<N>(w.small), reciprocal(fromDouble<N>(w.big)));
  const Fixed<N> a0 = add(fromDouble<N>(w.atanT.hi), fromDouble<N>(w.atanT.lo));
  const Fixed<N> a2 = multiply(a0, a0);
  const Fixed<N> s0 = multiply(a0, sinSeries(a2));
  const Fixed<N> c0 = cosSeries(a2);
  const Fixed<N> num = sub(multiply(t, c0), s0);
  const Fixed<N> den = add(c0, multiply(t, s0));
  const Fixed<N> d = multiply(num, reciprocal(den));
  const Fixed<N> d2 = multiply(d, d);
  Fixed<N> sum = d;
  Fixed<N> power = d;
  for (std::uint32_t n = 1;; ++n) {
    power = multiply(power, d2);
    const Fixed<N> term = divideSmall(power, 2 * n + 1);
    if (isZero(term)) break;
    sum = (n & 1) != 0 ? sub(sum, term) : add(sum, term);
  }
  const Fixed<N> a = add(a0, sum);
  const Fixed<N> h = halfPi<N>();
  Fixed<N> result = a;
  switch (w.branch) {
    case Branch::ATAN:
      break;
    case Branch::HALF_PI_MINUS:
      result = sub(h, a);
      break;
    case Branch::HALF_PI_PLUS:
      result = add(h, a);
      break;
    case Branch::PI_MINUS:
      result = sub(add(h, h), a);
      break;
  }
  return roundFixed(result, 0, negative, force);
}

double slowAtan2(const Atan2Work& w, bool negative) {
  slowCalls.fetch_add(1, std::memory_order_relaxed);
  if (const auto r = slowAtan2<9>(w, negative, false)) return *r;
  if (const auto r = slowAtan2<17>(w, negative, false)) return *r;
  return slowAtan2<24>(w, negative, true).value_or(std::numeric_limits<double>::quiet_NaN());
}

// For finite nonzero ay = |y|, ax = |x|: the branch and its operands, or a final value when the
// quotient is below 2^-61 (then pi/2 +- t and pi - t round like pi/2 and pi, which lie more than
// 0.2 ulp from a midpoint).
struct Atan2Setup {
  double small;
  double big;
  Branch branch;
  std::optional<double> done;
};

Atan2Setup setUpAtan2(double ay, double ax, bool xNegative) {
  const bool swap = ay > ax;
  const double small = swap ? ax : ay;
  const double big = swap ? ay : ax;
  const Branch branch =
      swap ? (xNegative ? Branch::HALF_PI_PLUS : Branch::HALF_PI_MINUS) : (xNegative ? Branch::PI_MINUS : Branch::ATAN);
  const Unpacked us = unpack(small);
  const Unpacked ub = unpack(big);
  const int gap = us.e - ub.e;
  if (gap < -62) {
    if (branch == Branch::ATAN) return {0.0, 0.0, branch, tinyAtan(ay, ax)};
    return {0.0, 0.0, branch, branch == Branch::PI_MINUS ? ROUNDED_PI : ROUNDED_HALF_PI};
  }
  return {std::ldexp(static_cast<double>(us.m), gap - 52), std::ldexp(static_cast<double>(ub.m), -52), branch,
          std::nullopt};
}

}  // namespace

std::uint64_t slowPathCount() { return slowCalls.load(std::memory_order_relaxed); }

Approximation fastSin(double x) { return fastSinCos(x, false); }
Approximation fastCos(double x) { return fastSinCos(x, true); }

Approximation fastAtan2(double y, double x) {
  const double ay = std::fabs(y);
  const double ax = std::fabs(x);
  if (!(ay > 0.0 && ay < INF && ax > 0.0 && ax < INF)) return {0.0, 0.0, 0.0, false};
  const Atan2Setup setup = setUpAtan2(ay, ax, x < 0);
  if (setup.done) return {0.0, 0.0, 0.0, false};
  const Atan2Work w = atan2Fast(setup.small, setup.big, setup.branch);
  const DoubleDouble r = y < 0 ? negate(w.result) : w.result;
  return {r.hi, r.lo, w.err, true};
}

}  // namespace exactmath

using exactmath::Approximation;

double exactSin(double x) {
  const double ax = std::fabs(x);
  if (!(ax < exactmath::INF)) return x - x;  // NaN for infinities, NaN kept
  if (ax < 0x1p-27) return x;                // sin x - x is below |x|^3/6, under half an ulp
  const Approximation a = exactmath::fastSinCos(x, false);
  if (a.valid && exactmath::roundsToHi({a.hi, a.lo}, a.err)) return a.hi;
  return exactmath::slowSinCos(x, false);
}

double exactCos(double x) {
  const double ax = std::fabs(x);
  if (!(ax < exactmath::INF)) return x - x;
  if (ax < 0x1p-27) return 1.0;  // 1 - cos x is below x^2/2, under half the gap below 1
  const Approximation a = exactmath::fastSinCos(x, true);
  if (a.valid && exactmath::roundsToHi({a.hi, a.lo}, a.err)) return a.hi;
  return exactmath::slowSinCos(x, true);
}

double exactAtan2(double y, double x) {
  using namespace exactmath;
  if (std::isnan(x) || std::isnan(y)) return x + y;
  const double ay = std::fabs(y);
  const double ax = std::fabs(x);
  double r;
  if (ay == 0.0)
    r = std::signbit(x) ? ROUNDED_PI : 0.0;
  else if (ay == INF)
    r = ax == INF ? (x > 0 ? ROUNDED_QUARTER_PI : ROUNDED_THREE_QUARTER_PI) : ROUNDED_HALF_PI;
  else if (ax == INF)
    r = x > 0 ? 0.0 : ROUNDED_PI;
  else if (ax == 0.0)
    r = ROUNDED_HALF_PI;
  else {
    const Atan2Setup setup = setUpAtan2(ay, ax, x < 0);
    if (setup.done) {
      r = *setup.done;
    } else {
      const Atan2Work w = atan2Fast(setup.small, setup.big, setup.branch);
      r = roundsToHi(w.result, w.err) ? w.result.hi : slowAtan2(w, false);
    }
  }
  return std::signbit(y) ? -r : r;
}
