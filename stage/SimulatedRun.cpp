#include "stage/SimulatedRun.h"

#include "base/QuitRequest.h"

namespace {
// Frames between two questions to keepGoing: a few milliseconds of fast-forward.
constexpr std::int64_t FRAMES_PER_CHECK = 600;
}  // namespace

SimulatedRun::SimulatedRun(Show& started, ManualMillisecondCounter& showCounter, const FrameTiming& frameTiming,
                           LockstepMusic* lockstep)
    : show(started), counter(showCounter), timing(frameTiming), music(lockstep) {}

void SimulatedRun::step(Pixel* frame, bool draw) {
  counter.set(timing.counterMs(next));
  Engine& engine = show.engine();
  if (music) music->renderFrame(engine.sync());
  lastTimeMs = engine.turn(draw ? frame : nullptr);
  ++next;
}

bool SimulatedRun::skipTo(std::int64_t target, const CueTable& cues, const std::function<bool()>& keepGoing) {
  Engine& engine = show.engine();
  std::size_t cursor = firstCueNotTaken(cues);
  while (next < target) {
    if (over()) return false;
    if (keepGoing && next % FRAMES_PER_CHECK == 0 && !keepGoing()) return false;
    counter.set(timing.counterMs(next));
    cursor = postCuesDue(cues, cursor);
    lastTimeMs = engine.turn(nullptr);
    ++next;
  }
  return !over();
}

void SimulatedRun::stepWithCues(Pixel* frame, const CueTable& cues) {
  counter.set(timing.counterMs(next));
  postCuesDue(cues, firstCueNotTaken(cues));
  lastTimeMs = show.engine().turn(frame);
  ++next;
}

std::size_t SimulatedRun::firstCueNotTaken(const CueTable& cues) const {
  // The frame stepped last has had every cue up to its first sample.
  return next == 0 ? 0 : cues.firstAtOrAfter(static_cast<std::uint64_t>(timing.firstSample(next - 1)) + 1);
}

std::size_t SimulatedRun::postCuesDue(const CueTable& cues, std::size_t cursor) {
  const std::span<const CueTable::Cue> all = cues.cues();
  const auto due = static_cast<std::uint64_t>(timing.firstSample(next));
  while (cursor < all.size() && all[cursor].sample <= due) show.engine().sync().post(all[cursor++].code);
  return cursor;
}

bool SimulatedRun::over() const { return quitRequested(); }
