#include "show/Engine.h"

Engine::Engine(MillisecondCounter& counter, const MusicOptions& musicOptions)
    : clockPart(std::make_unique<Clock>(counter)),
      sequencerPart(std::make_unique<Sequencer>()),
      musicPart(std::make_unique<MusicPlayer>(mailbox, musicOptions)) {
  sequencerPart->connect(mailbox);
}

float Engine::turn(Pixel* frame) {
  clockPart->update();
  const float timeMs = clockPart->elapsedMs();
  if (frame)
    sequencerPart->runFrame(frame, timeMs);
  else
    sequencerPart->advanceFrame(timeMs);
  return timeMs;
}
