#include "show/Sequencer.h"

#include <algorithm>

#include "base/QuitRequest.h"
#include "show/StudyReport.h"
#include "show/SyncMailbox.h"

bool Sequencer::append(Effect* effect, float durationMs) {
  if (count >= SEQUENCER_CAPACITY) return false;
  effects[count] = effect;
  durations[count] = durationMs;
  ++count;
  return true;
}

void Sequencer::runFrame(Pixel* frame, float timeMs) { turn(frame, timeMs); }

void Sequencer::advanceFrame(float timeMs) { turn(nullptr, timeMs); }

void Sequencer::turn(Pixel* frame, float timeMs) {
  dispatchSync(timeMs);

  if (current == -1) {
    if (count <= 0) return;
    sceneDuration = durations[0];
    sceneStart = timeMs;
    current = 0;
    return;
  }

  Effect* effect = effects[current];
  if (frame) {
    effect->render(frame, timeMs);
    if (studyReport) {
      studyReport->begin(current, timeMs, sceneStart);
      effect->describe(*studyReport);
    }
  } else
    effect->advance(timeMs);

  // Equal is not over; a NaN on either side never compares greater, so the scene goes on.
  double timeInScene = static_cast<double>(timeMs) - static_cast<double>(sceneStart);
  if (!(timeInScene > static_cast<double>(sceneDuration))) return;

  if (current >= count - 1) {
    postQuitRequest();
    return;
  }
  ++current;
  sceneDuration = durations[current];
  sceneStart = timeMs;
}

void Sequencer::dispatchSync(float timeMs) {
  if (!mailbox) return;
  const SyncMailbox::Cue cue = mailbox->take();
  if (!cue.pending) return;
  const std::uint8_t code = cue.code;
  if (cueListener) cueListener->cueTaken(code, current, timeMs, cue.byKey);

  if (code == SKIP_CODE) {
    // The skipped-to entry runs on the old entry's clock until that one's time is over.
    if (current < count - 1) ++current;
    return;
  }
  // Before the first frame there is no scene to tell: the event is dropped.
  if (current < 0) return;
  effects[current]->onSync(static_cast<std::int32_t>(code), timeMs);
}
