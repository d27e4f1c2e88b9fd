// The music measurements against the calibration signals of the loudness standards, and the
// pattern statistics against a module written by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tools/music/Loudness.h"
#include "tools/music/ModuleStats.h"
#include "tools/xm/XmWriter.h"

namespace {

constexpr double RATE = 48000.0;
constexpr double PI = 3.14159265358979323846;

// `seconds` of a sine of `hz` at `dbfs` peak level in both channels (the right one negated when
// `antiphase`), fed to the meter.
void feedSine(measure::LoudnessMeter& meter, double hz, double dbfs, double seconds, double phase = 0,
              bool antiphase = false) {
  const double amplitude = std::pow(10.0, dbfs / 20.0);
  const auto frames = static_cast<std::size_t>(seconds * RATE);
  std::vector<float> buffer(2 * frames);
  for (std::size_t i = 0; i < frames; ++i) {
    const auto v = static_cast<float>(amplitude * std::sin(2.0 * PI * hz * static_cast<double>(i) / RATE + phase));
    buffer[2 * i] = v;
    buffer[2 * i + 1] = antiphase ? -v : v;
  }
  meter.add(buffer.data(), frames);
}

// A full-scale sine in one channel reads -3.01 LUFS, so the same sine at -20 dBFS in both reads -20.
TEST(MusicMeasure, StereoSineAtMinus20DbfsReadsMinus20Lufs) {
  measure::LoudnessMeter meter(RATE);
  feedSine(meter, 997.0, -20.0, 10.0);
  EXPECT_NEAR(meter.integrated(), -20.0, 0.1);
  EXPECT_NEAR(meter.samplePeak(), -20.0, 0.01);
  EXPECT_NEAR(meter.energyShare(900, 1100), 1.0, 0.01);
  EXPECT_LT(meter.sideToMid(), -100.0);
  EXPECT_NEAR(meter.correlation(), 1.0, 1e-9);
}

// -20 and then -30 dBFS (the first case of the loudness range standard, 20 s each): the range is
// the 10 LU step; both halves pass the relative gate, so the integrated loudness is their mean
// power. Silence stays below the absolute gate and changes neither.
TEST(MusicMeasure, RangeSpansAStepOfTenLu) {
  measure::LoudnessMeter meter(RATE);
  feedSine(meter, 1000.0, -20.0, 20.0);
  feedSine(meter, 1000.0, -30.0, 20.0);
  const double meanOfBoth = -20.0 + 10.0 * std::log10((1.0 + 0.1) / 2.0);
  EXPECT_NEAR(meter.range(), 10.0, 1.0);
  EXPECT_NEAR(meter.integrated(), meanOfBoth, 0.1);
  feedSine(meter, 1000.0, -100.0, 10.0);
  EXPECT_NEAR(meter.range(), 10.0, 1.0);
  EXPECT_NEAR(meter.integrated(), meanOfBoth, 0.1);
}

// A sine at a quarter of the sample rate, sampled 45 degrees off its crests, shows samples 3 dB
// below its true peak.
TEST(MusicMeasure, TruePeakFindsTheCrestBetweenSamples) {
  measure::LoudnessMeter meter(RATE);
  feedSine(meter, RATE / 4, -6.0, 1.0, PI / 4);
  EXPECT_NEAR(meter.samplePeak(), -9.01, 0.05);
  EXPECT_NEAR(meter.truePeak(), -6.0, 0.2);
}

TEST(MusicMeasure, SplitsEnergyByBandAndStereoBySide) {
  measure::LoudnessMeter meter(RATE);
  std::vector<float> buffer;
  for (int i = 0; i < 4 * 48000; ++i) {
    const double t = i / RATE;
    const double low = 0.3 * std::sin(2.0 * PI * 50.0 * t), high = 0.3 * std::sin(2.0 * PI * 2000.0 * t);
    buffer.push_back(static_cast<float>(low + high));  // left: both
    buffer.push_back(static_cast<float>(low - high));  // right: the high tone in antiphase
  }
  meter.add(buffer.data(), buffer.size() / 2);
  EXPECT_NEAR(meter.energyShare(0, 120), 0.5, 0.01);
  EXPECT_NEAR(meter.bandEnergy(0, 120), meter.bandEnergy(1000, 3000), 0.01 * meter.bandEnergy(0, 120));
  EXPECT_NEAR(meter.sideToMid(), 0.0, 0.1);
  EXPECT_NEAR(meter.correlation(), 0.0, 0.01);
}

// Four bars of four rows: the third repeats the first except for a cue and a tempo change, which do
// not make a bar different; the commands are listed once each, cues left out.
TEST(MusicMeasure, CountsDistinctBarsAndTheCommandsUsed) {
  xm::XmModule m;
  m.channels = 2;
  m.patterns.assign(2, xm::Pattern(8, 2));
  m.patterns[0].at(0, 0) = {.note = 49, .instrument = 1, .volume = xm::volume(40), .effect = 3, .param = 0x20};
  m.patterns[0].at(4, 0) = {.note = 52, .instrument = 1, .volume = 0x62};
  m.patterns[1].at(0, 0) = m.patterns[0].at(0, 0);
  m.patterns[1].at(2, 1) = {.effect = xm::EFFECT_Z, .param = 4};
  m.patterns[1].at(3, 1) = {.effect = 15, .param = 119};
  m.patterns[1].at(4, 1) = {.effect = 14, .param = 0x93};
  m.orders = {0, 1};
  m.instruments.resize(1);
  const std::vector<std::uint8_t> bytes = xm::writeXm(m);

  const auto song = measure::readSongRows(bytes);
  ASSERT_TRUE(song);
  EXPECT_EQ(song->rows.size(), 16u);
  const measure::PatternStats stats = measure::patternStats(*song, 4);
  EXPECT_EQ(stats.bars, 4);
  EXPECT_EQ(stats.distinctBars, 3);  // bars 0 and 2 are alike; bars 1 and 3 differ
  EXPECT_EQ(stats.effectCommands, (std::vector<std::string>{"3xx tone portamento", "E9x retrigger", "Fxx speed/tempo"}));
  EXPECT_EQ(stats.volumeCommands, (std::vector<std::string>{"vol: slide down", "vol: volume"}));

  EXPECT_FALSE(measure::readSongRows(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 340)));
}

}  // namespace
