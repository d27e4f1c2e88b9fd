// The XM writer, checked by readers nobody here wrote: libopenmpt, and the openmpt123 and xmp players.
#include "tools/xm/XmWriter.h"

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.hpp>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace {

constexpr int kRate = 44100;

// One period of a sine, 64 frames long: at C-4 with the sample rate 8363 Hz that is 130.7 Hz.
std::vector<std::int16_t> sinePeriod(int amplitude, int frames = 64) {
  std::vector<std::int16_t> pcm(static_cast<std::size_t>(frames));
  for (int i = 0; i < frames; ++i)
    pcm[static_cast<std::size_t>(i)] =
        static_cast<std::int16_t>(std::lround(amplitude * std::sin(2.0 * std::numbers::pi * i / frames)));
  return pcm;
}

xm::Instrument loopedInstrument(std::vector<std::int16_t> pcm, bool sixteenBit) {
  xm::Sample s;
  s.name = "sine";
  s.loopLength = static_cast<std::uint32_t>(pcm.size());
  s.pcm = std::move(pcm);
  s.sixteenBit = sixteenBit;
  s.loop = xm::Loop::Forward;
  xm::Instrument ins;
  ins.name = "sine";
  ins.samples.push_back(std::move(s));
  return ins;
}

// Four channels, one 64-row pattern played twice, a held C-4 on channel 0, a Z05 on row 16 of channel 3.
xm::XmModule smallSong(bool sixteenBit = true) {
  xm::XmModule m;
  m.name = "writer test";
  m.channels = 4;
  m.speed = 6;
  m.bpm = 125;
  m.patterns.emplace_back(64, m.channels);
  m.patterns[0].at(0, 0) = {.note = xm::note(4, 0), .instrument = 1, .volume = xm::volume(48)};
  m.patterns[0].at(16, 3) = {.effect = xm::EFFECT_Z, .param = 5};
  m.patterns[0].at(32, 1) = {.note = xm::NOTE_OFF};
  m.orders = {0, 0};
  m.instruments.push_back(loopedInstrument(sinePeriod(sixteenBit ? 20000 : 100), sixteenBit));
  return m;
}

openmpt::module load(const std::vector<std::uint8_t>& bytes) {
  return openmpt::module(bytes);
}

std::vector<float> renderMono(openmpt::module& mod, std::size_t frames) {
  std::vector<float> out(frames);
  std::size_t done = 0;
  while (done < frames) {
    const std::size_t n = mod.read(kRate, std::min<std::size_t>(1024, frames - done), out.data() + done);
    if (n == 0) break;
    done += n;
  }
  out.resize(done);
  return out;
}

int countRisingZeroCrossings(const std::vector<float>& pcm) {
  int count = 0;
  for (std::size_t i = 1; i < pcm.size(); ++i)
    if (pcm[i - 1] < 0.0f && pcm[i] >= 0.0f) ++count;
  return count;
}

std::filesystem::path scratchDir() {
  auto dir = std::filesystem::path(ZOD_BINARY_DIR) / "test-scratch" / ("xm-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  return dir;
}

struct WavInfo {
  long frames = -1;
  int peak = 0;
};

// Frame count and peak of a 16-bit stereo WAV file, read from its data chunk.
WavInfo readWav(const std::filesystem::path& path) {
  std::ifstream f(path, std::ios::binary);
  std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  const auto u32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24);
  };
  for (std::size_t i = 12; i + 8 <= bytes.size();) {
    const std::uint32_t size = u32(i + 4);
    if (std::string(&bytes[i], &bytes[i] + 4) == "data") {
      WavInfo info{static_cast<long>(size / 4), 0};
      for (std::size_t k = i + 8; k + 1 < bytes.size() && k < i + 8 + size; k += 2)
        info.peak = std::max(info.peak, std::abs(static_cast<int>(static_cast<std::int16_t>(bytes[k] | bytes[k + 1] << 8))));
      return info;
    }
    i += 8 + size + (size & 1);
  }
  return {};
}

TEST(XmWriter, HeaderAndLayoutAreWhatLibopenmptReads) {
  const auto bytes = xm::writeXm(smallSong());
  ASSERT_GE(bytes.size(), 336u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 17), "Extended Module: ");
  EXPECT_EQ(bytes[37], 0x1A);
  EXPECT_EQ(bytes[58] | bytes[59] << 8, 0x0104);

  openmpt::module mod = load(bytes);
  EXPECT_EQ(mod.get_metadata("type"), "xm");
  EXPECT_EQ(mod.get_metadata("title"), "writer test");
  EXPECT_EQ(mod.get_num_channels(), 4);
  EXPECT_EQ(mod.get_num_orders(), 2);
  EXPECT_EQ(mod.get_num_patterns(), 1);
  EXPECT_EQ(mod.get_num_instruments(), 1);
  EXPECT_EQ(mod.get_num_samples(), 1);
  EXPECT_EQ(mod.get_pattern_num_rows(0), 64);
  EXPECT_EQ(mod.get_current_speed(), 6);
  EXPECT_EQ(mod.get_current_tempo(), 125);
}

TEST(XmWriter, CellsReadBackAsWritten) {
  openmpt::module mod = load(xm::writeXm(smallSong()));
  using M = openmpt::module;
  // libopenmpt numbers notes from C-(-1), one octave below FastTracker II: its C-5 is the XM's C-4.
  EXPECT_EQ(mod.format_pattern_row_channel_command(0, 0, 0, M::command_note), "C-5");
  EXPECT_EQ(mod.format_pattern_row_channel_command(0, 0, 0, M::command_instrument), "01");
  EXPECT_EQ(mod.get_pattern_row_channel_command(0, 0, 0, M::command_volume), 48);
  EXPECT_EQ(mod.format_pattern_row_channel_command(0, 16, 3, M::command_effect), "Z");
  EXPECT_EQ(mod.get_pattern_row_channel_command(0, 16, 3, M::command_parameter), 5);
  EXPECT_EQ(mod.format_pattern_row_channel_command(0, 32, 1, M::command_note), "===");
  EXPECT_EQ(mod.format_pattern_row_channel_command(0, 1, 0, M::command_note), "...");
}

TEST(XmWriter, PlayingTimeFollowsRowsSpeedAndTempo) {
  // 128 rows of 6 ticks at 125 bpm (2.5 / 125 s per tick): 15.36 s.
  openmpt::module mod = load(xm::writeXm(smallSong()));
  EXPECT_NEAR(mod.get_duration_seconds(), 128 * 6 * 2.5 / 125, 1e-6);
}

TEST(XmWriter, LoopedSamplePlaysAtTheNotePitch) {
  // 64 frames per period at 8363 Hz on C-4: 130.67 Hz, so about 130 rising zero crossings per second.
  openmpt::module mod = load(xm::writeXm(smallSong()));
  const auto pcm = renderMono(mod, kRate);
  ASSERT_EQ(pcm.size(), static_cast<std::size_t>(kRate));
  EXPECT_NEAR(countRisingZeroCrossings(pcm), 8363.0 / 64.0, 2.0);
}

TEST(XmWriter, EightAndSixteenBitSamplesSoundAlike) {
  // The same sine as 8-bit and as 16-bit data (each scaled to its full range) must render alike:
  // both delta encodings decode to the same wave.
  openmpt::module mod8 = load(xm::writeXm(smallSong(false)));
  openmpt::module mod16 = load(xm::writeXm(smallSong(true)));
  const auto a = renderMono(mod8, 8192);
  const auto b = renderMono(mod16, 8192);
  ASSERT_EQ(a.size(), b.size());
  // 8-bit 100 is 100/128 of full scale, 16-bit 20000 is 20000/32768.
  constexpr float kScale = (20000.0f / 32768.0f) / (100.0f / 128.0f);
  double peak = 0, diff = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    peak = std::max(peak, static_cast<double>(std::fabs(b[i])));
    diff = std::max(diff, static_cast<double>(std::fabs(a[i] * kScale - b[i])));
  }
  EXPECT_GT(peak, 0.05);
  EXPECT_LT(diff, peak * 0.05) << "peak " << peak;
}

TEST(XmWriter, EnvelopesAndKeyOffReachThePlayer) {
  // A volume envelope that falls to 0 after its sustain point: the note sounds until the key-off,
  // then fades to silence.
  xm::XmModule m = smallSong();
  xm::Instrument& ins = m.instruments[0];
  ins.volumeEnvelope = {.points = {{0, 64}, {4, 64}, {10, 0}}, .enabled = true, .sustainPoint = 1};
  m.patterns[0].at(8, 0) = {.note = xm::NOTE_OFF};
  openmpt::module mod = load(xm::writeXm(m));
  // Row 8 starts at 8 * 6 ticks of 20 ms: 0.96 s; the envelope reaches 0 six ticks later.
  const auto pcm = renderMono(mod, kRate * 2);
  float early = 0, late = 0;
  for (std::size_t i = 0; i < pcm.size(); ++i) {
    if (i < kRate * 9 / 10) early = std::max(early, std::fabs(pcm[i]));
    if (i > kRate * 12 / 10) late = std::max(late, std::fabs(pcm[i]));
  }
  EXPECT_GT(early, 0.05f);
  EXPECT_EQ(late, 0.0f);
}

TEST(XmWriter, RealPlayersRenderTheWholeSong) {
  const auto dir = scratchDir();
  const auto file = dir / "song.xm";
  ASSERT_TRUE(xm::saveXm(file.string(), smallSong()));
  const double seconds = 128 * 6 * 2.5 / 125;

  const auto xmpWav = dir / "xmp.wav";
  const std::string xmp = "xmp --norc --nocmd -q -f 44100 -d wav -o '" + xmpWav.string() + "' '" + file.string() + "'";
  ASSERT_EQ(std::system(xmp.c_str()), 0) << xmp;
  const WavInfo fromXmp = readWav(xmpWav);
  EXPECT_NEAR(fromXmp.frames / 44100.0, seconds, 0.1);
  EXPECT_GT(fromXmp.peak, 1000);

  const std::string openmpt = "openmpt123 -q --force --samplerate 44100 --no-float --render '" + file.string() + "'";
  ASSERT_EQ(std::system(openmpt.c_str()), 0) << openmpt;
  // openmpt123 lets the last row ring out a little (its fade-out tail).
  const WavInfo fromOpenmpt = readWav(dir / "song.xm.wav");
  EXPECT_NEAR(fromOpenmpt.frames / 44100.0, seconds, 0.2);
  EXPECT_GT(fromOpenmpt.peak, 1000);
  std::filesystem::remove_all(dir);
}

TEST(XmWriter, RejectsModulesOutsideTheFormat) {
  const auto rejects = [](auto change) {
    xm::XmModule m = smallSong();
    change(m);
    EXPECT_THROW(xm::writeXm(m), std::invalid_argument);
  };
  rejects([](xm::XmModule& m) { m.channels = 33; });
  rejects([](xm::XmModule& m) { m.orders = {1}; });
  rejects([](xm::XmModule& m) { m.orders.clear(); });
  rejects([](xm::XmModule& m) { m.patterns[0].rows[3].pop_back(); });
  rejects([](xm::XmModule& m) { m.patterns[0].at(0, 0).effect = 36; });
  rejects([](xm::XmModule& m) { m.patterns[0].at(0, 0).instrument = 2; });
  rejects([](xm::XmModule& m) { m.instruments[0].samples[0].loopLength = 65; });
  rejects([](xm::XmModule& m) {
    m.instruments[0].samples[0].sixteenBit = false;  // 16-bit values do not fit
  });
  rejects([](xm::XmModule& m) { m.instruments[0].volumeEnvelope = {.points = {{3, 64}}, .enabled = true}; });
}

}  // namespace
