#include "stage/OfflineShow.h"

#include <new>

#include "base/Fatal.h"
#include "base/QuitRequest.h"
#include "stage/ShowFiles.h"

namespace {
std::string firstFatalReport;
bool outOfMemory = false;

void rememberFatal(const char*, const char* text) {
  if (isOutOfMemoryReport(text)) outOfMemory = true;
  if (!firstFatalReport.empty()) return;
  try {
    firstFatalReport = text;
  } catch (const std::bad_alloc&) {
    outOfMemory = true;
  }
}
}  // namespace

OfflineShow::OfflineShow(const FrameTiming& timing) : lockstep(timing), framePixels(SCREEN_PIXELS, 0) {}

OfflineShow::~OfflineShow() = default;

std::unique_ptr<OfflineShow> OfflineShow::start(const FrameTiming& timing, std::string& error) {
  std::unique_ptr<OfflineShow> offline(new OfflineShow(timing));
  if (!readShowMusic(offline->module, error)) return nullptr;
  if (!offline->lockstep.open(offline->module)) {
    error = unplayableMusicMessage();
    return nullptr;
  }

  clearQuitRequest();
  firstFatalReport.clear();
  outOfMemory = false;
  {
    ScopedFatalReporter quiet(&rememberFatal);
    ShowOptions options;
    options.startMusic = false;
    offline->showPart = std::make_unique<Show>(offline->counter, options);
  }
  // Memory is the caller's to report, in the one message every part of the program gives.
  if (outOfMemory) {
    clearQuitRequest();
    clearFatalReported();
    throw std::bad_alloc();
  }
  if (quitRequested()) {
    error = "the show could not start (" + firstFatalReport + "); are all its files in " + assetFoldersTried() +
            "? --assets DIR names their folder";
    clearQuitRequest();
    return nullptr;
  }
  offline->simulated =
      std::make_unique<SimulatedRun>(*offline->showPart, offline->counter, timing, &offline->lockstep);
  return offline;
}

const CueTable& OfflineShow::cues() {
  // The module opened for the music, so the table cannot fail.
  if (!cuesLearnt) cueTable.compute(module);
  cuesLearnt = true;
  return cueTable;
}

bool OfflineShow::skipTo(std::int64_t target, const std::function<bool()>& keepGoing) {
  const bool reached = simulated->skipTo(target, cues(), keepGoing);
  // The music goes on from the frame reached, its held events dropped, as the table has them all.
  if (simulated->frameIndex() >= target) lockstep.seekTo(simulated->frameIndex(), cues());
  return reached;
}

bool OfflineShow::skipToSceneStart(int entry) {
  const Sequencer& sequencer = showPart->engine().sequencer();
  // Stepped with the music, which stays in place, rather than skipped and sought per frame.
  while (sequencer.currentIndex() < entry && !simulated->over()) simulated->step(nullptr, false);
  return !simulated->over();
}

const char* OfflineShow::sceneName() {
  Sequencer& sequencer = showPart->engine().sequencer();
  if (sequencer.currentIndex() < 0) return "-";
  const char* name = showPart->effectName(sequencer.effectAt(sequencer.currentIndex()));
  return name ? name : "?";
}
