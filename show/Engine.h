#pragma once
// The show's time keeping and control: the clock, the timeline and the music, made in that order
// so that the show time starts before the sound output is opened and before any effect exists.

#include <memory>

#include "render/Pixel.h"
#include "show/Clock.h"
#include "show/MusicPlayer.h"
#include "show/Sequencer.h"
#include "show/SyncMailbox.h"

class Engine {
 public:
  Engine(MillisecondCounter& counter, const MusicOptions& musicOptions);

  // One turn of the show: the clock reads its counter, then the sequencer takes a pending cue and
  // draws the current scene into `frame` at that show time (null: the scene only advances, as for
  // a fast-forward) and moves on when the scene is over. Returns the turn's show time.
  float turn(Pixel* frame);

  Clock& clock() { return *clockPart; }
  Sequencer& sequencer() { return *sequencerPart; }
  MusicPlayer& music() { return *musicPart; }
  // Where the music's cues and the key presses wait for the sequencer.
  SyncMailbox& sync() { return mailbox; }

 private:
  // Before the music, so it outlives the device thread that posts to it.
  SyncMailbox mailbox;
  std::unique_ptr<Clock> clockPart;
  std::unique_ptr<Sequencer> sequencerPart;
  std::unique_ptr<MusicPlayer> musicPart;
};
