#include "show/Engine.h"

Engine::Engine(MillisecondCounter& counter, const MusicOptions& musicOptions)
    : clockPart(std::make_unique<Clock>(counter)),
      sequencerPart(std::make_unique<Sequencer>()),
      musicPart(std::make_unique<MusicPlayer>(mailbox, musicOptions)) {
  sequencerPart->connect(mailbox);
}
