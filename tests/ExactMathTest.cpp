#include <gtest/gtest.h>
#include <mpfr.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "render/ExactMath.h"

// Every result is compared bit for bit with MPFR's correctly rounded value. ZOD_EXACT_MATH_SCALE
// (a whole number) multiplies the random input counts for a long one-off run.
namespace {

#ifndef ZOD_EXACT_MATH_SCALE_DOWN
#define ZOD_EXACT_MATH_SCALE_DOWN 1
#endif

long scaled(long count) {
  const char* env = std::getenv("ZOD_EXACT_MATH_SCALE");
  const long factor = env != nullptr ? std::max(1L, std::atol(env)) : 1L;
  return std::max(1L, count * factor / ZOD_EXACT_MATH_SCALE_DOWN);
}

std::uint64_t bitsOf(double v) { return std::bit_cast<std::uint64_t>(v); }

// Equal bits, or both NaN (whose sign and payload C leaves open).
bool same(double a, double b) { return bitsOf(a) == bitsOf(b) || (std::isnan(a) && std::isnan(b)); }

// Correctly rounded doubles from MPFR, subnormals included.
class Reference {
 public:
  Reference() {
    mpfr_set_emin(-1073);
    mpfr_set_emax(1024);
    mpfr_inits2(53, a, b, r, static_cast<mpfr_ptr>(nullptr));
    mpfr_init2(wide, 320);
  }
  ~Reference() {
    mpfr_clears(a, b, r, wide, static_cast<mpfr_ptr>(nullptr));
    mpfr_set_emin(mpfr_get_emin_min());
    mpfr_set_emax(mpfr_get_emax_max());
  }
  Reference(const Reference&) = delete;
  Reference& operator=(const Reference&) = delete;

  double sin(double x) { return finish(mpfr_sin(r, set(a, x), MPFR_RNDN)); }
  double cos(double x) { return finish(mpfr_cos(r, set(a, x), MPFR_RNDN)); }
  double atan2(double y, double x) { return finish(mpfr_atan2(r, set(a, y), set(b, x), MPFR_RNDN)); }

  // |exact - (hi + lo)| for the function named by which (0 sin, 1 cos, 2 atan2).
  double distance(int which, double y, double x, double hi, double lo) {
    set(a, y);
    set(b, x);
    if (which == 0) mpfr_sin(wide, a, MPFR_RNDN);
    if (which == 1) mpfr_cos(wide, a, MPFR_RNDN);
    if (which == 2) mpfr_atan2(wide, a, b, MPFR_RNDN);
    mpfr_sub_d(wide, wide, hi, MPFR_RNDN);
    mpfr_sub_d(wide, wide, lo, MPFR_RNDN);
    return std::fabs(mpfr_get_d(wide, MPFR_RNDU));
  }

 private:
  static mpfr_ptr set(mpfr_t v, double d) {
    mpfr_set_d(v, d, MPFR_RNDN);
    return v;
  }
  double finish(int inexact) {
    mpfr_subnormalize(r, mpfr_check_range(r, inexact, MPFR_RNDN), MPFR_RNDN);
    return mpfr_get_d(r, MPFR_RNDN);
  }
  mpfr_t a, b, r, wide;
};

// Counts of checked inputs and of those glibc rounds differently, for the summary lines.
struct Tally {
  long checked = 0;
  long glibcDiffers = 0;
};

class ExactMathTest : public ::testing::Test {
 protected:
  Reference ref;
  std::mt19937_64 rng{20261208};
  std::uint64_t slowBefore = exactmath::slowPathCount();

  ::testing::AssertionResult sinCosMatch(double x, Tally& tally) {
    const double s = ref.sin(x);
    const double c = ref.cos(x);
    tally.checked += 2;
    tally.glibcDiffers += !same(std::sin(x), s) + !same(std::cos(x), c);
    if (same(exactSin(x), s) && same(exactCos(x), c)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << std::hexfloat << "x = " << x << ": sin " << exactSin(x) << " want " << s
                                         << ", cos " << exactCos(x) << " want " << c;
  }

  ::testing::AssertionResult atan2Matches(double y, double x, Tally& tally) {
    const double want = ref.atan2(y, x);
    ++tally.checked;
    tally.glibcDiffers += !same(std::atan2(y, x), want);
    if (same(exactAtan2(y, x), want)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << std::hexfloat << "atan2(" << y << ", " << x << ") = " << exactAtan2(y, x)
                                         << " want " << want;
  }

  void report(const char* what, const Tally& tally) {
    std::printf("%s: %ld results checked against MPFR, glibc rounds %ld of them differently, %llu slow-path calls\n",
                what, tally.checked, tally.glibcDiffers,
                static_cast<unsigned long long>(exactmath::slowPathCount() - slowBefore));
  }

  double uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); }
  double randomBits() { return std::bit_cast<double>(rng()); }
};

// The arguments the start-up tables are built from, formed exactly as their builders form them.
TEST_F(ExactMathTest, TableArgumentsRoundCorrectly) {
  Tally tally;
  const float showPi = std::bit_cast<float>(std::uint32_t{0x40490FE6u});
  for (int k = 0; k < 1024; ++k)
    ASSERT_TRUE(sinCosMatch(
        static_cast<double>(2 * k) * static_cast<double>(showPi) * static_cast<double>(0.0009765625f), tally));
  ASSERT_TRUE(sinCosMatch(6.283190727233887, tally));
  ASSERT_TRUE(sinCosMatch(12.566381454467773, tally));
  for (int i = 0; i < 1024; ++i) {
    ASSERT_TRUE(sinCosMatch(static_cast<double>(i) * 6.2831907f * 0.0009765625f, tally));
    ASSERT_TRUE(sinCosMatch(static_cast<double>(i) * 12.566381f * 0.0009765625f, tally));
  }
  for (int y = 0; y < 560; ++y)
    for (int x = 512; x < 1024; ++x) ASSERT_TRUE(atan2Matches(x - 511.5, y - 279.5, tally));
  report("tables", tally);
}

// Show times up to 1.6e6 ms (and their negatives, for the spins that run backwards) times each
// speed an effect uses, plus the sine and cosine of sines and cosines.
TEST_F(ExactMathTest, EffectArgumentsRoundCorrectly) {
  Tally tally;
  const float speeds[] = {0.0015015015f, 0.0027322404f, 0.004464286f,   0.0021459227f, 0.00042735043f, 0.0002586653f,
                          0.0004f,       0.0013642565f, 0.00069252076f, 0.0006002401f, 0.0017667845f};
  const long perSpeed = scaled(40000);
  for (float speed : speeds)
    for (long n = 0; n < perSpeed; ++n) {
      const auto t = static_cast<float>(uniform(-1.6e6, 1.6e6));
      ASSERT_TRUE(sinCosMatch(static_cast<double>(t) * static_cast<double>(speed), tally));
    }
  for (long n = 0; n < scaled(100000); ++n) ASSERT_TRUE(sinCosMatch(uniform(-1.5, 1.5), tally));
  for (long n = 0; n < scaled(100000); ++n) ASSERT_TRUE(sinCosMatch(uniform(-8000.0, 8000.0), tally));
  report("effect ranges", tally);
}

TEST_F(ExactMathTest, HardSinCosArgumentsRoundCorrectly) {
  Tally tally;
  mpfr_t m;
  mpfr_init2(m, 2000);
  auto nearMultipleOfHalfPi = [&m](double k) {
    mpfr_const_pi(m, MPFR_RNDN);
    mpfr_mul_d(m, m, k / 2, MPFR_RNDN);
    return mpfr_get_d(m, MPFR_RNDN);
  };
  std::vector<double> xs;
  for (int k = 1; k < 20000; ++k) xs.push_back(nearMultipleOfHalfPi(k));
  for (int e = 15; e < 1020; ++e) xs.push_back(nearMultipleOfHalfPi(std::ldexp(1.0, e) + 1.0));
  xs.push_back(0x1.6ac5b262ca1ffp+849);  // 6381956970095103 * 2^797, the double nearest a multiple of pi/2
  xs.push_back(0x1p-27);
  xs.push_back(0x1.921fb54442d18p-1);
  xs.push_back(std::numeric_limits<double>::max());
  xs.push_back(std::numeric_limits<double>::denorm_min());
  xs.push_back(std::numeric_limits<double>::min());
  const std::size_t centres = xs.size();
  for (std::size_t i = 0; i < centres; ++i) {
    double below = xs[i];
    double above = xs[i];
    for (int step = 0; step < 3; ++step) {
      below = std::nextafter(below, 0.0);
      above = std::nextafter(above, 2 * above);
      xs.push_back(below);
      xs.push_back(above);
    }
  }
  mpfr_clear(m);
  for (long n = 0; n < scaled(30000); ++n)
    xs.push_back(std::ldexp(uniform(1.0, 2.0), static_cast<int>(rng() % 1100) - 1074));
  for (double x : xs) {
    ASSERT_TRUE(sinCosMatch(x, tally));
    ASSERT_TRUE(sinCosMatch(-x, tally));
  }
  report("hard sin/cos", tally);
}

TEST_F(ExactMathTest, HardAtan2ArgumentsRoundCorrectly) {
  Tally tally;
  const double denorm = std::numeric_limits<double>::denorm_min();
  const double big = std::numeric_limits<double>::max();
  // Exactly halfway between two subnormals: atan lies just below and rounds toward zero.
  EXPECT_EQ(exactAtan2(3 * denorm, 2.0), denorm);
  EXPECT_EQ(exactAtan2(-5 * denorm, 2.0), -2 * denorm);
  const double extremes[] = {
      denorm, 3 * denorm, std::numeric_limits<double>::min(), 0x1p-540, 0x1p-62, 0x1p-61, 0x1p-60, 1.0, 0x1p60, 0x1p520,
      big,    1.5};
  for (double y : extremes)
    for (double x : extremes)
      for (double sy : {1.0, -1.0})
        for (double sx : {1.0, -1.0}) ASSERT_TRUE(atan2Matches(sy * y, sx * x, tally));
  for (long n = 0; n < scaled(100000); ++n) {
    // Near the axes and the diagonals, in every quadrant, with ratios across the whole range.
    const double x = std::ldexp(uniform(1.0, 2.0), static_cast<int>(rng() % 200) - 100);
    const int kind = static_cast<int>(n % 4);
    double y = kind == 0   ? x * std::ldexp(uniform(1.0, 2.0), -static_cast<int>(rng() % 90))
               : kind == 1 ? x * (1.0 + uniform(-1e-6, 1e-6))
               : kind == 2 ? std::ldexp(uniform(1.0, 2.0), static_cast<int>(rng() % 2000) - 1000)
                           : x * std::ldexp(uniform(1.0, 2.0), static_cast<int>(rng() % 90));
    const double sx = (n & 4) != 0 ? -1.0 : 1.0;
    const double sy = (n & 8) != 0 ? -1.0 : 1.0;
    ASSERT_TRUE(atan2Matches(sy * y, sx * x, tally));
    ASSERT_TRUE(atan2Matches(sx * x, sy * y, tally));
  }
  for (long n = 0; n < scaled(20000); ++n)
    ASSERT_TRUE(atan2Matches(std::ldexp(uniform(1.0, 2.0), static_cast<int>(rng() % 60) - 1074),
                             std::ldexp(uniform(-2.0, 2.0), static_cast<int>(rng() % 60)), tally));
  report("hard atan2", tally);
}

TEST_F(ExactMathTest, RandomBitPatternsRoundCorrectly) {
  Tally tally;
  for (long n = 0; n < scaled(500000); ++n) {
    const double x = randomBits();
    if (std::isnan(x)) continue;
    ASSERT_TRUE(sinCosMatch(x, tally));
    ASSERT_TRUE(atan2Matches(x, randomBits(), tally));
  }
  report("random bits", tally);
}

// Zeros, infinities and NaN give exactly what the C library gives (C99 Annex F).
TEST_F(ExactMathTest, SpecialValuesFollowTheCLibrary) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (double x : {0.0, -0.0}) {
    EXPECT_EQ(bitsOf(exactSin(x)), bitsOf(x));
    EXPECT_EQ(exactCos(x), 1.0);
  }
  for (double x : {inf, -inf, nan}) {
    EXPECT_TRUE(std::isnan(exactSin(x)));
    EXPECT_TRUE(std::isnan(exactCos(x)));
  }
  const double values[] = {0.0, -0.0, inf, -inf, 1.0, -1.0, 0x1p-1074, -0x1p1023};
  for (double y : values)
    for (double x : values) EXPECT_EQ(bitsOf(exactAtan2(y, x)), bitsOf(std::atan2(y, x))) << y << ", " << x;
  EXPECT_TRUE(std::isnan(exactAtan2(nan, 1.0)));
  EXPECT_TRUE(std::isnan(exactAtan2(1.0, nan)));
}

// The fast path's error bound holds: the rounding test that rests on it is only as sound as it.
TEST_F(ExactMathTest, FastPathStaysWithinItsErrorBound) {
  long checked = 0;
  auto within = [&](int which, double y, double x, const exactmath::Approximation& a) {
    if (!a.valid) return ::testing::AssertionSuccess();
    ++checked;
    const double d = ref.distance(which, y, x, a.hi, a.lo);
    if (d <= a.err) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << std::hexfloat << which << " (" << y << ", " << x << "): off by " << d
                                         << ", bound " << a.err;
  };
  for (long n = 0; n < scaled(100000); ++n) {
    const double x =
        n % 2 == 0 ? uniform(-8000.0, 8000.0) : std::ldexp(uniform(-2.0, 2.0), static_cast<int>(rng() % 40) - 27);
    ASSERT_TRUE(within(0, x, 0.0, exactmath::fastSin(x)));
    ASSERT_TRUE(within(1, x, 0.0, exactmath::fastCos(x)));
    const double y = std::ldexp(uniform(-2.0, 2.0), static_cast<int>(rng() % 140) - 70);
    ASSERT_TRUE(within(2, y, x, exactmath::fastAtan2(y, x)));
  }
  std::printf("fast path: %ld error bounds checked against MPFR\n", checked);
}

}  // namespace
