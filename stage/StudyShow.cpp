#include "stage/StudyShow.h"

#include <algorithm>

#include "base/QuitRequest.h"
#include "show/Sequencer.h"
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

bool StudyShow::reach(std::int64_t index) {
  index = std::max<std::int64_t>(index, 0);
  // A run that has ended (a frame asked for past the show's end) cannot go on either.
  if ((!current || index <= shown || index < current->run->frameIndex() || current->run->over()) && !restart())
    return false;
  // Unseen up to the frame, then drawn: what `zod still` does. The next frame needs no skip.
  SimulatedRun& run = *current->run;
  if (run.frameIndex() != index && !run.skipTo(index, table)) return false;
  // The frame after the last one drawn as the show ends is not part of the show.
  return !run.over();
}

void StudyShow::draw(Pixel* frame) {
  shown = current->run->frameIndex();
  // The first frame only starts the timeline and draws no scene: nothing of the frame before stays.
  described->begin(-1, static_cast<float>(grid().counterMs(shown)), 0.0f);
  current->run->stepWithCues(frame, table);
}

bool StudyShow::show(std::int64_t index, Pixel* frame) {
  if (!reach(index)) return false;
  draw(frame);
  return true;
}

bool StudyShow::showSceneStart(int entry, std::int64_t near, Pixel* frame) {
  if (!reach(near)) return false;
  SimulatedRun& run = *current->run;
  const Sequencer& sequencer = current->show->engine().sequencer();
  while (sequencer.currentIndex() < entry)
    if (!run.skipTo(run.frameIndex() + 1, table)) return false;
  draw(frame);
  return true;
}

bool StudyShow::showLast(std::int64_t near, Pixel* frame) {
  if (!reach(near)) return false;
  SimulatedRun& run = *current->run;
  // Which frame ends the show is known only once it is drawn: each is drawn and the last one kept.
  do {
    described->begin(-1, static_cast<float>(grid().counterMs(run.frameIndex())), 0.0f);
    run.stepWithCues(frame, table);
  } while (!run.over());
  shown = run.frameIndex() - 1;
  return true;
}
