#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "show/Clock.h"

namespace {

TEST(Clock, ElapsedIsTheMillisecondsSinceTheClockWasMade) {
  ManualMillisecondCounter counter(5'000'000);
  Clock clock(counter);
  counter.advance(1234);
  clock.update();
  EXPECT_EQ(clock.elapsedMs(), 1234.0f);
}

TEST(Clock, TwoFramesWithinTheSameMillisecondGetTheSameTime) {
  ManualMillisecondCounter counter(77);
  Clock clock(counter);
  counter.advance(40);
  clock.update();
  float first = clock.elapsedMs();
  clock.update();
  EXPECT_EQ(clock.elapsedMs(), first);
}

TEST(Clock, AboveTwoToThe31TheOriginIsAMultipleOf256AndAtMost128Off) {
  for (std::uint32_t offset = 0; offset < 4096; offset += 37) {
    std::uint32_t startReading = (1u << 31) + offset;
    ManualMillisecondCounter counter(startReading);
    Clock clock(counter);
    clock.update();
    float elapsed = clock.elapsedMs();
    EXPECT_LE(std::fabs(elapsed), 128.0f) << offset;
    double origin = static_cast<double>(startReading) - elapsed;
    EXPECT_EQ(std::fmod(origin, 256.0), 0.0) << offset;
  }
}

TEST(Clock, RoundedUpOriginGivesANegativeFirstTime) {
  ManualMillisecondCounter counter((1u << 31) + 200);  // nearest multiple of 256 is above
  Clock clock(counter);
  clock.update();
  EXPECT_EQ(clock.elapsedMs(), -56.0f);
}

TEST(Clock, DifferencesBetweenFramesStayExactWhateverTheOrigin) {
  for (std::uint32_t startReading : {0u, 16'777'217u, 3'000'000'001u}) {
    ManualMillisecondCounter counter(startReading);
    Clock clock(counter);
    counter.advance(1000);
    clock.update();
    float before = clock.elapsedMs();
    counter.advance(16);
    clock.update();
    EXPECT_EQ(clock.elapsedMs() - before, 16.0f) << startReading;
  }
}

TEST(Clock, KeepsCountingAcrossTheCounterWrap) {
  ManualMillisecondCounter counter(0xFFFFFFFFu - 1000);
  Clock clock(counter);
  counter.advance(500);
  clock.update();
  float before = clock.elapsedMs();
  counter.advance(1000);  // wraps to 499
  clock.update();
  EXPECT_EQ(clock.elapsedMs() - before, 1000.0f);
  counter.advance(20);
  clock.update();
  EXPECT_EQ(clock.elapsedMs() - before, 1020.0f);
}

}  // namespace
