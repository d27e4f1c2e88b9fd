#include "stage/StudyShow.h"

#include <algorithm>

#include "base/QuitRequest.h"
#include "stage/Show.h"
#include "stage/SimulatedRun.h"

const FrameTiming& StudyShow::grid() {
  static const FrameTiming timing(FRAMES_PER_SECOND);
  return timing;
}

StudyShow::StudyShow(const CueTable& moduleCues) : table(moduleCues), described(std::make_unique<StudyReport>()) {}

StudyShow::~StudyShow() = default;

bool StudyShow::restart() {
  run.reset();
  showPart.reset();
  shown = -1;
  clearQuitRequest();
  // The new show's clock starts from the counter's reading.
  counter.set(0);
  ShowOptions options;
  options.startMusic = false;
  showPart = std::make_unique<Show>(counter, options);
  if (quitRequested()) return false;
  showPart->engine().sequencer().study(described.get());
  run = std::make_unique<SimulatedRun>(*showPart, counter, grid(), nullptr);
  return true;
}

bool StudyShow::show(std::int64_t index, Pixel* frame) {
  index = std::max<std::int64_t>(index, 0);
  // A run that has ended (a frame asked for past the show's end) cannot go on either.
  if ((!run || index <= shown || run->over()) && !restart()) return false;
  // Unseen up to the frame, then drawn: what `zod still` does. The next frame needs no skip.
  if (run->frameIndex() != index && !run->skipTo(index, table)) return false;
  run->stepWithCues(frame, table);
  shown = index;
  return true;
}
