#include "stage/Show.h"

#include "base/QuitRequest.h"
#include "effects/EffectCatalogue.h"
#include "render/TrigTables.h"
#include "show/Timeline.h"

Show::Show(MillisecondCounter& counter, const ShowOptions& options) {
  fillTrigTables();
  enginePart = std::make_unique<Engine>(counter, options.music);

  // Each effect is initialised right after it is made, before the next one is constructed. After a
  // fatal report nothing more is loaded: the show will not start, and one report is enough.
  for (const EffectKind& kind : effectCatalogue()) {
    effectObjects.push_back(kind.make());
    if (!quitRequested()) effectObjects.back()->init();
  }
  appendTimeline(enginePart->sequencer(), [this](std::string_view name) { return effect(name); });

  if (options.startMusic && !quitRequested()) {
    enginePart->music().load(MUSIC_FILE);
    enginePart->music().play();
  }
}

Show::~Show() = default;

Effect* Show::effect(std::string_view name) const {
  const auto catalogue = effectCatalogue();
  for (std::size_t i = 0; i < catalogue.size(); ++i)
    if (catalogue[i].name == name) return effectObjects[i].get();
  return nullptr;
}

const char* Show::effectName(const Effect* object) const {
  const auto catalogue = effectCatalogue();
  for (std::size_t i = 0; i < catalogue.size(); ++i)
    if (effectObjects[i].get() == object) return catalogue[i].name;
  return nullptr;
}
