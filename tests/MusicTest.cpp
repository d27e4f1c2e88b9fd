// The show's music: its sync plan against the timeline, and the built module as a player hears it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "show/ModuleRenderer.h"
#include "show/Sequencer.h"
#include "show/Timeline.h"
#include "tools/music/Song.h"
#include "tools/music/Synth.h"
#include "tools/xm/XmWriter.h"

namespace {

constexpr double SHOW_SECONDS = 1526.0;
// Every cue stays this far from the nominal start and end of its scene, so that the show's own
// clock (ahead by the start-up time, behind by up to a frame per scene change) still finds it there.
constexpr double SCENE_MARGIN_SECONDS = 1.5;

double cueSeconds(const music::Cue& c) { return c.row * music::ROW_SECONDS; }

struct SceneSpan {
  double start, end;
};
std::vector<SceneSpan> sceneSpans() {
  std::vector<SceneSpan> spans;
  double t = 0;
  for (const music::Scene& s : music::timeline()) {
    spans.push_back({t, t + 2.0 * s.bars});
    t += 2.0 * s.bars;
  }
  return spans;
}

std::vector<std::uint8_t> readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

class NamedEffect final : public Effect {
 public:
  explicit NamedEffect(const char* n) : name(n) {}
  void init() override {}
  void render(Pixel*, float) override {}
  void onSync(std::int32_t, float) override {}
  const char* name;
};

TEST(MusicPlan, FollowsTheShowsTimeline) {
  NamedEffect title("TitleEffect"), sphere("SphereEffect"), squareTunnel("SquareTunnelEffect"),
      tunnel("TunnelEffect"), plane("PlaneEffect"), heart("HeartEffect"), presents("PresentsEffect"),
      end("EndEffect");
  Sequencer sequencer;
  const std::pair<std::string_view, Effect*> byName[] = {
      {"title", &title}, {"sphere", &sphere}, {"squaretunnel", &squareTunnel}, {"tunnel", &tunnel},
      {"plane", &plane}, {"heart", &heart},   {"presents", &presents},         {"end", &end}};
  appendTimeline(sequencer, [&](std::string_view name) -> Effect* {
    for (const auto& [known, effect] : byName)
      if (known == name) return effect;
    return nullptr;
  });
  const auto& scenes = music::timeline();
  ASSERT_EQ(static_cast<int>(scenes.size()), sequencer.entryCount());
  for (int i = 0; i < sequencer.entryCount(); ++i) {
    EXPECT_STREQ(scenes[static_cast<std::size_t>(i)].effect, static_cast<NamedEffect*>(sequencer.effectAt(i))->name)
        << "scene " << i;
    EXPECT_EQ(scenes[static_cast<std::size_t>(i)].bars * 2000.0f, sequencer.durationAt(i)) << "scene " << i;
  }
}

TEST(MusicPlan, FirstCueRevealsTheCaptionAFewSecondsIn) {
  const auto cues = music::cuePlan();
  ASSERT_FALSE(cues.empty());
  EXPECT_EQ(cues.front().scene, 0);
  EXPECT_NE(cues.front().code, 1);
  EXPECT_GE(cueSeconds(cues.front()), 3.0);
  EXPECT_LE(cueSeconds(cues.front()), 6.0);
}

TEST(MusicPlan, EndsTheShowWithZ09InTheLastEndScene) {
  const auto cues = music::cuePlan();
  const auto& scenes = music::timeline();
  ASSERT_FALSE(cues.empty());
  EXPECT_EQ(cues.back().code, 9);
  EXPECT_EQ(cues.back().scene, static_cast<int>(scenes.size()) - 1);
  EXPECT_STREQ(scenes.back().effect, "EndEffect");
  EXPECT_GE(cueSeconds(cues.back()), 25 * 60 + 10.0);
  EXPECT_EQ(std::count_if(cues.begin(), cues.end(), [](const music::Cue& c) { return c.code == 9; }), 1);
}

TEST(MusicPlan, EveryCueFallsOnABeatWellInsideItsScene) {
  const auto spans = sceneSpans();
  for (const music::Cue& c : music::cuePlan()) {
    const double t = cueSeconds(c);
    const SceneSpan& s = spans.at(static_cast<std::size_t>(c.scene));
    EXPECT_GE(t, s.start + SCENE_MARGIN_SECONDS) << "cue at row " << c.row;
    EXPECT_LE(t, s.end - SCENE_MARGIN_SECONDS) << "cue at row " << c.row;
    EXPECT_EQ(c.row % 4, 0) << "cue off the beat at row " << c.row;
  }
}

TEST(MusicPlan, EverySceneButTheOutroHasCuesWithCodesTwoToEight) {
  const auto cues = music::cuePlan();
  const auto& scenes = music::timeline();
  std::map<int, int> perScene;
  for (const music::Cue& c : cues) {
    ++perScene[c.scene];
    if (c.code != 9) {
      EXPECT_GE(c.code, 2) << "cue at row " << c.row;
      EXPECT_LE(c.code, 8) << "cue at row " << c.row;
    }
  }
  for (std::size_t i = 0; i + 2 < scenes.size(); ++i) EXPECT_GT(perScene[static_cast<int>(i)], 0) << "scene " << i;
}

TEST(MusicPlan, CuesComeAtMostTwiceASecondWithRests) {
  const auto cues = music::cuePlan();
  for (std::size_t i = 1; i < cues.size(); ++i)
    EXPECT_GE(cues[i].row - cues[i - 1].row, 4) << "cues too close at row " << cues[i].row;
  // Somewhere in every long scene there is a pause of at least a bar.
  const auto& scenes = music::timeline();
  for (std::size_t scene = 0; scene < scenes.size(); ++scene) {
    if (scenes[scene].bars < 30) continue;
    int longestGap = 0, previous = -1;
    for (const music::Cue& c : cues) {
      if (c.scene != static_cast<int>(scene)) continue;
      if (previous >= 0) longestGap = std::max(longestGap, c.row - previous);
      previous = c.row;
    }
    EXPECT_GE(longestGap, music::ROWS_PER_BAR) << "scene " << scene;
  }
}

// The synthesizer's own sine and exponential (which keep the samples identical everywhere) are
// as good as the library's.
TEST(MusicSynth, SineAndExponentialMatchTheLibrary) {
  for (double x = -2000.0; x <= 2000.0; x += 0.37) EXPECT_NEAR(music::sine(x), std::sin(x), 1e-9) << x;
  for (double x = -30.0; x <= 30.0; x += 0.013) EXPECT_NEAR(music::exponential(x) / std::exp(x), 1.0, 1e-12) << x;
}

// Reads the pattern data of the composed module as it will play: the Zxx cells in order, each
// with its song row, and nothing but cues on the cue channel.
TEST(MusicModule, CarriesExactlyThePlannedCuesOnTheirOwnChannel) {
  const xm::XmModule m = music::composeZod();
  std::vector<music::Cue> found;
  int songRow = 0;
  for (std::uint8_t order : m.orders) {
    const xm::Pattern& p = m.patterns.at(order);
    for (std::size_t r = 0; r < p.rows.size(); ++r, ++songRow) {
      for (int ch = 0; ch < m.channels; ++ch) {
        const xm::Cell& c = p.rows[r][static_cast<std::size_t>(ch)];
        if (ch == music::CUE_CHANNEL) {
          EXPECT_EQ(c.note, 0) << "a note on the cue channel at row " << songRow;
        } else {
          EXPECT_NE(c.effect, xm::EFFECT_Z) << "a Zxx off the cue channel at row " << songRow;
        }
        if (c.effect == xm::EFFECT_Z) found.push_back({songRow, c.param, 0});
      }
    }
  }
  auto planned = music::cuePlan();
  for (auto& c : planned) c.scene = 0;
  EXPECT_EQ(found, planned);
}

// A looped sample must close without a step (a click on every pass), and a one-shot must end
// near silence (a click when it stops).
TEST(MusicModule, SamplesLoopAndEndWithoutClicks) {
  const xm::XmModule m = music::composeZod();
  for (const xm::Instrument& ins : m.instruments) {
    for (const xm::Sample& s : ins.samples) {
      ASSERT_FALSE(s.pcm.empty()) << s.name;
      if (s.loop == xm::Loop::None) {
        EXPECT_LT(std::abs(s.pcm.back()), 100) << s.name;
        continue;
      }
      const std::size_t begin = s.loopStart, end = s.loopStart + s.loopLength;
      int largestStep = 0;
      for (std::size_t i = begin + 1; i < end; ++i) largestStep = std::max(largestStep, std::abs(s.pcm[i] - s.pcm[i - 1]));
      EXPECT_LE(std::abs(s.pcm[begin] - s.pcm[end - 1]), largestStep) << s.name;
    }
  }
}

struct Event {
  std::uint64_t sample;
  std::uint8_t code;
};

struct EventLog final : ModuleRenderer::EventSink {
  void onZxxEvent(std::uint64_t sample, std::uint8_t code) override { events.push_back({sample, code}); }
  std::vector<Event> events;
};

std::vector<std::uint8_t> builtModule() { return readFile(std::string(ZOD_ASSET_DIR) + "/zod.xm"); }

TEST(BuiltModule, IsTheComposedPieceByteForByte) { EXPECT_EQ(builtModule(), xm::writeXm(music::composeZod())); }

// One pass of the built module through our own player (libopenmpt underneath, as the show plays
// it): how long it plays, how loud, whether it falls silent, and which Zxx it reports when. One
// test, because the render is the expensive part.
TEST(BuiltModule, PlaysTheTimelineAsPlanned) {
  const std::vector<std::uint8_t> bytes = builtModule();
  ModuleRenderer renderer;
  ASSERT_TRUE(renderer.open(bytes));
  constexpr std::size_t WINDOW = SAMPLE_RATE / 2;
  EventLog log;
  double peak = 0;
  std::vector<double> windowRms;
  std::vector<float> buffer(2 * WINDOW);
  while (std::size_t n = renderer.render(buffer.data(), WINDOW, log)) {
    double sum = 0;
    for (std::size_t i = 0; i < 2 * n; ++i) {
      peak = std::max(peak, static_cast<double>(std::fabs(buffer[i])));
      sum += static_cast<double>(buffer[i]) * buffer[i];
    }
    windowRms.push_back(std::sqrt(sum / (2.0 * static_cast<double>(n))));
  }

  {
    SCOPED_TRACE("length: the timeline and a little more");
    const double seconds = static_cast<double>(renderer.renderedFrames()) / SAMPLE_RATE;
    EXPECT_NEAR(seconds, SHOW_SECONDS + music::TAIL_BARS * 2.0, 1.0);
    EXPECT_GT(seconds, SHOW_SECONDS);
  }
  {
    SCOPED_TRACE("level: loud enough, below full scale");
    EXPECT_LT(peak, 0.95);
    EXPECT_GT(peak, 0.3);
  }
  {
    SCOPED_TRACE("no silence: -48 dBFS in half-second windows, except the last two seconds");
    ASSERT_GT(windowRms.size(), 4u);
    for (std::size_t w = 0; w + 4 < windowRms.size(); ++w)
      EXPECT_GT(windowRms[w], 0.004) << "silence at " << static_cast<double>(w) * 0.5 << " s";
  }
  {
    SCOPED_TRACE("cues: the planned codes, each within a row of its planned time");
    const auto planned = music::cuePlan();
    ASSERT_EQ(log.events.size(), planned.size());
    const double rowSamples = music::ROW_SECONDS * SAMPLE_RATE;
    for (std::size_t i = 0; i < planned.size(); ++i) {
      EXPECT_EQ(log.events[i].code, planned[i].code) << "cue " << i;
      EXPECT_NEAR(static_cast<double>(log.events[i].sample), planned[i].row * rowSamples, rowSamples)
          << "cue " << i << " at row " << planned[i].row;
    }
  }
}

}  // namespace
