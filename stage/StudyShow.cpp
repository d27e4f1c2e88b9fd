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

std::unique_ptr<StudyShow::GridRun> StudyShow::startShow() {
  auto fresh = std::make_unique<GridRun>();
  ShowOptions options;
  options.startMusic = false;
  fresh->show = std::make_unique<Show>(fresh->counter, options);
  if (quitRequested()) return nullptr;
  fresh->run = std::make_unique<SimulatedRun>(*fresh->show, fresh->counter, grid(), nullptr);
  return fresh;
}

bool StudyShow::restart() {
  current.reset();
  shown = -1;
  clearQuitRequest();
  current = spare ? std::move(spare) : startShow();
  if (!current) return false;
  current->show->engine().sequencer().study(described.get());
  return true;
}

void StudyShow::prepare() {
  // The quit request is shared: a start-up while a run has ended could not tell a fault.
  if (!spare && !quitRequested()) spare = startShow();
}

bool StudyShow::show(std::int64_t index, Pixel* frame) {
  index = std::max<std::int64_t>(index, 0);
  // A run that has ended (a frame asked for past the show's end) cannot go on either.
  if ((!current || index <= shown || current->run->over()) && !restart()) return false;
  // Unseen up to the frame, then drawn: what `zod still` does. The next frame needs no skip.
  SimulatedRun& run = *current->run;
  if (run.frameIndex() != index && !run.skipTo(index, table)) return false;
  run.stepWithCues(frame, table);
  shown = index;
  return true;
}
