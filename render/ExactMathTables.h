#pragma once

#include <cstdint>

// Constants of the correctly rounded sine, cosine and arc tangent (render/ExactMath.cpp),
// generated with MPFR by tools/exactmath/ExactMathTables.cpp.
namespace exactmath {

// An unevaluated sum hi + lo with |lo| <= ulp(hi) / 2.
struct DoubleDouble {
  double hi;
  double lo;
};

constexpr int TWO_OVER_PI_WORD_COUNT = 72;
constexpr int HALF_PI_WORD_COUNT = 24;
constexpr int SIN_COS_STEP_COUNT = 204;  // j/256 for j = 0..203 covers [0, pi/4] with room
constexpr int ATAN_STEP_COUNT = 129;     // i/128 for i = 0..128

extern const std::uint32_t TWO_OVER_PI_WORDS[TWO_OVER_PI_WORD_COUNT];
extern const std::uint32_t HALF_PI_WORDS[HALF_PI_WORD_COUNT];
extern const double HALF_PI_PARTS[4];
extern const DoubleDouble HALF_PI_DD;
extern const DoubleDouble PI_DD;
extern const DoubleDouble SIN_STEPS[SIN_COS_STEP_COUNT];
extern const DoubleDouble COS_STEPS[SIN_COS_STEP_COUNT];
extern const DoubleDouble ATAN_STEPS[ATAN_STEP_COUNT];

}  // namespace exactmath
