#include "show/SceneWalk.h"

#include "show/SampleRate.h"
#include "show/Sequencer.h"
#include "show/Timeline.h"

SceneWalk::SceneWalk(const CueTable& cues, const EndsShow& endsShow) {
  constexpr int LAST = TIMELINE_ENTRIES - 1;
  int current = 0;
  double sceneStart = 0.0;
  double sceneDuration = TIMELINE[0].durationMs;
  bool ended = false;
  starts.push_back(0.0);
  auto timeOut = [&] {
    sceneStart += sceneDuration;
    ++current;
    sceneDuration = TIMELINE[current].durationMs;
    starts.push_back(sceneStart);
  };
  for (const CueTable::Cue& cue : cues.cues()) {
    const double ms = static_cast<double>(cue.sample) * 1000.0 / static_cast<double>(SAMPLE_RATE);
    cueTimes.push_back(ms);
    codes.push_back(cue.code);
    // A cue at the very start comes before the first frame, which only starts entry 0.
    if (ms <= 0.0) {
      takenIn.push_back(BEFORE_START);
      continue;
    }
    while (!ended && ms > sceneStart + sceneDuration) {
      if (current == LAST) {
        ended = true;
        end = sceneStart + sceneDuration;
      } else {
        timeOut();
      }
    }
    takenIn.push_back(ended ? AFTER_END : current);
    if (ended) continue;
    if (cue.code == SKIP_CODE && current < LAST) {
      ++current;
      starts.push_back(ms);
    } else if (endsShow && endsShow(current, cue.code)) {
      ended = true;
      end = ms;
    }
  }
  // Entries the show never reached start where the timeline alone would start them.
  while (current < LAST) timeOut();
  if (!ended) end = sceneStart + sceneDuration;
}
