#pragma once
// The timeline: which effect is current, for how long, and where sync events go.
//
// Once per idle turn runFrame first takes a pending sync event (code 1 skips to the next entry,
// any other code goes to the current effect), then renders the current effect and moves on when
// the scene's time is strictly over, or posts the quit request after the last entry. The very
// first turn only starts entry 0 and draws nothing.

#include <cstdint>
#include <span>

#include "render/Pixel.h"
#include "show/Effect.h"

class SyncMailbox;
class StudyReport;

// Told of every sync cue the sequencer takes, before it acts on it: the run log, tests.
class CueListener {
 public:
  // `entry` is the timeline entry current when the cue is taken, -1 before the first frame;
  // `byKey`: a key raised the latest cue again (see SyncMailbox::repeat).
  virtual void cueTaken(std::uint8_t code, int entry, float timeMs, bool byKey) = 0;

 protected:
  ~CueListener() = default;
};

inline constexpr int SEQUENCER_CAPACITY = 50;
inline constexpr std::uint8_t SKIP_CODE = 1;

class Sequencer {
 public:
  Sequencer() = default;

  // Where sync events are taken from; without one, no event is ever pending.
  void connect(SyncMailbox& source) { mailbox = &source; }
  // Null: nobody listens.
  void listen(CueListener* listener) { cueListener = listener; }
  // Where each drawn frame is described (the entry, the time and what its effect tells); null:
  // nobody studies the show and nothing is done.
  void study(StudyReport* report) { studyReport = report; }

  // Adds an entry. Beyond SEQUENCER_CAPACITY the entry is dropped and false is returned, so a
  // too-long timeline cannot write past the arrays.
  bool append(Effect* effect, float durationMs);

  void runFrame(Pixel* frame, float timeMs);
  // The same turn without drawing, for a fast-forward: the current effect only advances its
  // state as a drawn frame would.
  void advanceFrame(float timeMs);
  void dispatchSync(float timeMs);

  int currentIndex() const { return current; }
  int entryCount() const { return count; }
  Effect* effectAt(int index) const { return effects[index]; }
  float durationAt(int index) const { return durations[index]; }
  float sceneStartMs() const { return sceneStart; }
  float sceneDurationMs() const { return sceneDuration; }

 private:
  void turn(Pixel* frame, float timeMs);

  SyncMailbox* mailbox = nullptr;
  CueListener* cueListener = nullptr;
  StudyReport* studyReport = nullptr;
  Effect* effects[SEQUENCER_CAPACITY] = {};
  float durations[SEQUENCER_CAPACITY] = {};
  float sceneStart = 0.0f;
  float sceneDuration = 0.0f;
  int current = -1;
  int count = 0;
};
