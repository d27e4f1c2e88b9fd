#include "stage/Show.h"

#include "effects/EndEffect.h"
#include "effects/HeartEffect.h"
#include "effects/PlaneEffect.h"
#include "effects/PresentsEffect.h"
#include "effects/SphereEffect.h"
#include "effects/SquareTunnelEffect.h"
#include "effects/TitleEffect.h"
#include "effects/TunnelEffect.h"
#include "render/TrigTables.h"
#include "base/QuitRequest.h"

namespace {
// Each effect is initialised right after it is made, before the next one is constructed. After a
// fatal report nothing more is loaded: the show will not start, and one report is enough.
template <typename E>
std::unique_ptr<E> makeInitialised() {
  auto effect = std::make_unique<E>();
  if (!quitRequested()) effect->init();
  return effect;
}
}  // namespace

Show::Show(MillisecondCounter& counter, const ShowOptions& options) {
  fillTrigTables();
  enginePart = std::make_unique<Engine>(counter, options.music);

  title = makeInitialised<TitleEffect>();
  sphere = makeInitialised<SphereEffect>();
  squareTunnel = makeInitialised<SquareTunnelEffect>();
  tunnel = makeInitialised<TunnelEffect>();
  plane = makeInitialised<PlaneEffect>();
  heart = makeInitialised<HeartEffect>();
  presents = makeInitialised<PresentsEffect>();
  end = makeInitialised<EndEffect>();

  timelineEffects = {title.get(), sphere.get(), squareTunnel.get(), tunnel.get(),
                     plane.get(), heart.get(),  presents.get(),     end.get()};
  appendTimeline(enginePart->sequencer(), timelineEffects);

  if (options.startMusic && !quitRequested()) {
    enginePart->music().load("zod.xm");
    enginePart->music().play();
  }
}

Show::~Show() = default;
