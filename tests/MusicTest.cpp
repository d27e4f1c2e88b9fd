// The show's music: its sync plan against the timeline, and the built module as a player hears it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "show/ModuleRenderer.h"
#include "show/MusicPlayer.h"
#include "show/Timeline.h"
#include "tools/music/Arrangement.h"
#include "tools/music/Loudness.h"
#include "tools/music/ModuleStats.h"
#include "tools/music/Song.h"
#include "tools/music/Synth.h"
#include "tools/xm/XmWriter.h"

namespace {

constexpr double SHOW_SECONDS = [] {
  double seconds = 0;
  for (const TimelineEntry& entry : TIMELINE) seconds += entry.durationMs / 1000.0;
  return seconds;
}();
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
  for (const TimelineEntry& entry : TIMELINE) {
    const double seconds = entry.durationMs / 1000.0;
    spans.push_back({t, t + seconds});
    t += seconds;
  }
  return spans;
}

std::vector<std::uint8_t> readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
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
  ASSERT_FALSE(cues.empty());
  EXPECT_EQ(cues.back().code, 9);
  EXPECT_EQ(cues.back().scene, TIMELINE_ENTRIES - 1);
  EXPECT_EQ(TIMELINE[TIMELINE_ENTRIES - 1].effectName, "end");
  EXPECT_GE(cueSeconds(cues.back()), SHOW_SECONDS - 16.0);
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
  std::map<int, int> perScene;
  for (const music::Cue& c : cues) {
    ++perScene[c.scene];
    if (c.code != 9) {
      EXPECT_GE(c.code, 2) << "cue at row " << c.row;
      EXPECT_LE(c.code, 8) << "cue at row " << c.row;
    }
  }
  // A scene the music has no part for (a new effect's) plays a bridge without cues.
  const std::vector<std::size_t> unplanned = music::unplannedScenes();
  for (int i = 0; i + 2 < TIMELINE_ENTRIES; ++i) {
    if (std::find(unplanned.begin(), unplanned.end(), static_cast<std::size_t>(i)) != unplanned.end()) continue;
    EXPECT_GT(perScene[i], 0) << "scene " << i;
  }
}

TEST(MusicPlan, CuesComeAtMostTwiceASecondWithRests) {
  const auto cues = music::cuePlan();
  for (std::size_t i = 1; i < cues.size(); ++i)
    EXPECT_GE(cues[i].row - cues[i - 1].row, 4) << "cues too close at row " << cues[i].row;
  // Somewhere in every long scene there is a pause of at least a bar.
  for (int scene = 0; scene < TIMELINE_ENTRIES; ++scene) {
    if (TIMELINE[scene].durationMs < 60000.0f) continue;
    int longestGap = 0, previous = -1;
    for (const music::Cue& c : cues) {
      if (c.scene != scene) continue;
      if (previous >= 0) longestGap = std::max(longestGap, c.row - previous);
      previous = c.row;
    }
    EXPECT_GE(longestGap, music::ROWS_PER_BAR) << "scene " << scene;
  }
}

// An effect the music has never heard of, given a scene mid-show: the scene plays without cues,
// and every other scene keeps its cues, only later by the new scene's length.
TEST(MusicPlan, AnUnplannedSceneMovesTheOthersOnlyInTime) {
  constexpr TimelineEntry NEW{"ninth", 6000.0f};
  constexpr int AT = TIMELINE_ENTRIES / 2;
  std::vector<TimelineEntry> timeline(std::begin(TIMELINE), std::end(TIMELINE));
  timeline.insert(timeline.begin() + AT, NEW);
  std::vector<music::Cue> expected = music::cuePlan();
  for (music::Cue& c : expected)
    if (c.scene >= AT) c.row += music::sceneBars(NEW) * music::ROWS_PER_BAR, ++c.scene;
  EXPECT_EQ(music::cuePlan(timeline), expected);
  EXPECT_NO_THROW(music::composeZod(timeline));
}

// The synthesizer's own sine and exponential (which keep the samples identical everywhere) are
// as good as the library's.
TEST(MusicSynth, SineAndExponentialMatchTheLibrary) {
  for (double x = -2000.0; x <= 2000.0; x += 0.37) EXPECT_NEAR(music::sine(x), std::sin(x), 1e-9) << x;
  for (double x = -30.0; x <= 30.0; x += 0.013) EXPECT_NEAR(music::exponential(x) / std::exp(x), 1.0, 1e-12) << x;
}

// The tonal samples sound as they were made at every pitch they play: the acid bass's sweep and
// the arp's low-pass fall inside each note, the acid's steps run from dark to bright, and the
// choir's octaves keep their vowel in the same place (a sample played an octave up would sound
// twice as bright).
TEST(MusicSynth, SweptSamplesFallAndTheChoirKeepsItsVowel) {
  const std::vector<xm::Instrument> all = music::makeInstruments();
  auto brightness = [](const xm::Sample& s, bool start) {
    const std::span<const std::int16_t> pcm(s.pcm);
    return measure::brightnessHz(start ? pcm.first(256) : pcm.subspan(s.loopStart), music::TONAL_RATE);
  };
  ASSERT_GE(music::ACID_STEPS, 12);
  for (int step = 0; step < music::ACID_STEPS; ++step) {
    const xm::Sample& s = all[music::ACID + step - 1].samples.at(0);
    EXPECT_GE(s.pcm.size(), 8192u) << step;
    EXPECT_GT(brightness(s, true), 1.4 * brightness(s, false)) << step;
    if (step > 0) {
      EXPECT_GT(brightness(s, true), brightness(all[music::ACID + step - 2].samples[0], true)) << step;
    }
  }
  for (const xm::Sample& s : all[music::ARP - 1].samples) {
    EXPECT_GE(s.pcm.size(), 4096u);
    EXPECT_GT(brightness(s, true), 1.2 * brightness(s, false));
  }
  const xm::Instrument& vox = all[music::VOX - 1];
  ASSERT_EQ(vox.samples.size(), static_cast<std::size_t>(music::VOX_HIGHEST_OCTAVE - music::VOX_LOWEST_OCTAVE + 1));
  const double lowest = measure::brightnessHz(vox.samples.front().pcm, music::TONAL_RATE);
  for (const xm::Sample& s : vox.samples)
    EXPECT_NEAR(measure::brightnessHz(s.pcm, music::TONAL_RATE) / lowest, 1.0, 0.3);
  EXPECT_EQ(vox.keymap[xm::note(3, 5) - 1], 3 - music::VOX_LOWEST_OCTAVE);  // F-3 plays C-3's sample
  EXPECT_EQ(vox.keymap[xm::note(3, 6) - 1], 4 - music::VOX_LOWEST_OCTAVE);  // F#3 plays C-4's
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

// The piece develops instead of looping: most bars are written out anew, and it is tracked with
// the tracker's own commands rather than only sequenced.
TEST(MusicModule, MostBarsDifferAndManyTrackerCommandsAreUsed) {
  const auto song = measure::readSongRows(xm::writeXm(music::composeZod()));
  ASSERT_TRUE(song);
  const measure::PatternStats stats = measure::patternStats(*song, music::ROWS_PER_BAR);
  EXPECT_GE(stats.distinctBars * 10, stats.bars * 6) << stats.distinctBars << " of " << stats.bars;
  EXPECT_GE(stats.effectCommands.size() + stats.volumeCommands.size(), 8u);
  // The arp runs in sixteenths in about a third of the bars at most, in eighths or rests elsewhere.
  EXPECT_LE(measure::barsWithSixteenths(*song, music::ROWS_PER_BAR, music::ARP) * 100, stats.bars * 35);

  // The second half brings new sounds: the choir, the ride and the pluck are first heard after 10:00.
  for (const std::uint8_t late : {music::VOX, music::RIDE, music::PLUCK}) {
    std::size_t first = 0;
    while (first < song->rows.size() &&
           std::none_of(song->rows[first].begin(), song->rows[first].end(),
                        [late](const xm::Cell& c) { return c.instrument == late; }))
      ++first;
    EXPECT_GE(static_cast<double>(first) * music::ROW_SECONDS, 600.0) << "instrument " << int{late};
    EXPECT_LT(first, song->rows.size()) << "instrument " << int{late} << " is never played";
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

std::vector<std::uint8_t> builtModule() { return readFile(std::string(ZOD_ASSET_DIR) + "/" + MUSIC_FILE); }

TEST(BuiltModule, IsTheComposedPieceByteForByte) { EXPECT_EQ(builtModule(), xm::writeXm(music::composeZod())); }

// One pass of the built module through our own player (libopenmpt underneath, as the show plays
// it): how long it plays, how loud, whether it falls silent, how its low end sits in the finale, and
// which Zxx it reports when. One test, because the render is the expensive part.
TEST(BuiltModule, PlaysTheTimelineAsPlanned) {
  const std::vector<std::uint8_t> bytes = builtModule();
  ModuleRenderer renderer;
  ASSERT_TRUE(renderer.open(bytes));
  constexpr std::size_t WINDOW = SAMPLE_RATE / 2;
  EventLog log;
  double peak = 0, truePeakDb = -100;
  std::vector<double> windowRms;
  std::vector<float> buffer(2 * WINDOW);
  // Two peaks to judge the spectrum by: the finale, the show's loudest scene, and the choir peak,
  // where a hook an octave up once put 40% of the energy between 1 and 4 kHz.
  const std::vector<music::Scene> scenes = music::scenesOf(TIMELINE);
  struct Judged {
    music::Scene scene;
    SceneSpan span{};
    measure::LoudnessMeter meter{static_cast<int>(SAMPLE_RATE)};
  };
  Judged judged[] = {{{"title", 5}}, {{"squaretunnel", 5}}};
  for (Judged& j : judged) {
    const auto found = std::ranges::find(scenes, j.scene);
    ASSERT_NE(found, scenes.end());
    j.span = sceneSpans()[static_cast<std::size_t>(found - scenes.begin())];
  }
  // Every scene's width, and the bars on either side of each drop into a peak.
  const std::vector<SceneSpan> spans = sceneSpans();
  std::vector<measure::LoudnessMeter> sceneMeters(spans.size(), measure::LoudnessMeter(static_cast<int>(SAMPLE_RATE)));
  std::map<int, measure::LoudnessMeter> dropBars;
  const std::vector<music::PlacedBlock> placed = music::placedBlocks();
  for (std::size_t i = 1; i < placed.size(); ++i)
    if (placed[i - 1].block.ending == music::Ending::Build && music::isPeak(placed[i].block))
      for (int bar : {placed[i].bar - 1, placed[i].bar})
        dropBars.emplace(bar, measure::LoudnessMeter(static_cast<int>(SAMPLE_RATE)));
  while (std::size_t n = renderer.render(buffer.data(), WINDOW, log)) {
    const double at = static_cast<double>(renderer.renderedFrames() - n) / SAMPLE_RATE;
    for (Judged& j : judged)
      if (at >= j.span.start && at + 0.5 <= j.span.end) j.meter.add(buffer.data(), n);
    for (std::size_t k = 0; k < spans.size(); ++k)
      if (at >= spans[k].start && at < spans[k].end) sceneMeters[k].add(buffer.data(), n);
    if (const auto bar = dropBars.find(static_cast<int>(at * 1000.0) / music::BAR_MS); bar != dropBars.end())
      bar->second.add(buffer.data(), n);
    double sum = 0, windowPeak = 0;
    for (std::size_t i = 0; i < 2 * n; ++i) {
      windowPeak = std::max(windowPeak, static_cast<double>(std::fabs(buffer[i])));
      sum += static_cast<double>(buffer[i]) * buffer[i];
    }
    windowRms.push_back(std::sqrt(sum / (2.0 * static_cast<double>(n))));
    peak = std::max(peak, windowPeak);
    // Between the samples the wave can rise up to about 3 dB above them: oversample the loud windows.
    if (windowPeak > 0.6) {
      measure::LoudnessMeter meter(static_cast<int>(SAMPLE_RATE));
      meter.add(buffer.data(), n);
      truePeakDb = std::max(truePeakDb, meter.truePeak());
    }
  }

  {
    SCOPED_TRACE("length: the timeline and a little more");
    const double seconds = static_cast<double>(renderer.renderedFrames()) / SAMPLE_RATE;
    EXPECT_NEAR(seconds, SHOW_SECONDS + music::TAIL_BARS * 2.0, 1.0);
    EXPECT_GT(seconds, SHOW_SECONDS);
  }
  {
    SCOPED_TRACE("level: loud enough, the true peak at -1 dBFS or below");
    EXPECT_LE(truePeakDb, -1.0);
    EXPECT_GT(peak, 0.3);
  }
  {
    SCOPED_TRACE("no silence before the last chord fades (-48 dBFS in half-second windows), silence at the end cue");
    const double endCue = cueSeconds(music::cuePlan().back());
    ASSERT_GT(static_cast<double>(windowRms.size()) * 0.5, endCue);
    for (std::size_t w = 0; static_cast<double>(w) * 0.5 < endCue - 6.0; ++w)
      EXPECT_GT(windowRms[w], 0.004) << "silence at " << static_cast<double>(w) * 0.5 << " s";
    for (auto w = static_cast<std::size_t>(endCue / 0.5) - 4; w < windowRms.size(); ++w)
      EXPECT_LT(windowRms[w], 0.0003) << "still sounding at " << static_cast<double>(w) * 0.5 << " s";
  }
  {
    SCOPED_TRACE("the peaks' spectrum: kick and bass below 120 Hz, the boxy and the piercing mids held down");
    for (const Judged& j : judged) {
      EXPECT_GE(j.meter.energyShare(0, 120), 0.12) << music::nameOf(j.scene);
      EXPECT_LE(j.meter.energyShare(250, 1000), 0.43) << music::nameOf(j.scene);
      EXPECT_LE(j.meter.energyShare(1000, 4000), 0.32) << music::nameOf(j.scene);
      EXPECT_GE(j.meter.energyShare(4000, 1e9), 0.07) << music::nameOf(j.scene);
    }
  }
  {
    SCOPED_TRACE("width: no scene near mono (-10 dB side/mid is the aim, with half a dB for the player)");
    for (std::size_t k = 0; k < spans.size(); ++k) EXPECT_GE(sceneMeters[k].sideToMid(), -10.5) << "scene " << k + 1;
  }
  {
    SCOPED_TRACE("drops: a peak's first bar at least +4 LU over the build's last bar (less a margin)");
    ASSERT_GE(dropBars.size(), 8u);
    for (auto build = dropBars.begin(); build != dropBars.end(); std::advance(build, 2))
      EXPECT_GE(std::next(build)->second.integrated() - build->second.integrated(), 3.5) << "bar " << build->first;
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
