#include "stage/SimulatedRun.h"

#include "base/QuitRequest.h"
#include "effects/EffectCatalogue.h"

SimulatedRun::SimulatedRun(Show& show, ManualMillisecondCounter& counter, const FrameTiming& timing,
                           LockstepMusic* music)
    : show(show),
      counter(counter),
      timing(timing),
      music(music) {
  for (const EffectKind& kind : effectCatalogue())
    if (kind.advancesPerDrawnFrame) renderedWhileSkipping.push_back(show.effect(kind.name));
}

void SimulatedRun::step(Pixel* frame, bool draw) {
  counter.set(timing.counterMs(next));
  Engine& engine = show.engine();
  if (music) music->renderFrame(engine.sync());
  engine.clock().update();
  lastTimeMs = engine.clock().elapsedMs();
  if (draw)
    engine.sequencer().runFrame(frame, lastTimeMs);
  else
    engine.sequencer().runFrame(frame, lastTimeMs, renderedWhileSkipping);
  ++next;
}

bool SimulatedRun::over() const { return quitRequested(); }
