#include "effects/EffectCatalogue.h"

#include <algorithm>

#include "effects/EndEffect.h"
#include "effects/HeartEffect.h"
#include "effects/PlaneEffect.h"
#include "effects/PresentsEffect.h"
#include "effects/SphereEffect.h"
#include "effects/SquareTunnelEffect.h"
#include "effects/TitleEffect.h"
#include "effects/TunnelEffect.h"
#include "show/Timeline.h"

namespace {
template <typename E>
std::unique_ptr<Effect> make() {
  return std::make_unique<E>();
}

constexpr EffectKind CATALOGUE[] = {
    {"title", make<TitleEffect>},
    {"sphere", make<SphereEffect>},
    {"squaretunnel", make<SquareTunnelEffect>},
    {"tunnel", make<TunnelEffect>},
    {"plane", make<PlaneEffect>},
    {"heart", make<HeartEffect>},
    {"presents", make<PresentsEffect>},
    {"end", make<EndEffect>, EndEffect::QUIT_CODE},
};

constexpr bool catalogued(std::string_view name) {
  return std::any_of(std::begin(CATALOGUE), std::end(CATALOGUE),
                     [name](const EffectKind& kind) { return std::string_view(kind.name) == name; });
}

constexpr bool namesUnique() {
  for (std::size_t i = 0; i < std::size(CATALOGUE); ++i)
    for (std::size_t j = i + 1; j < std::size(CATALOGUE); ++j)
      if (std::string_view(CATALOGUE[i].name) == CATALOGUE[j].name) return false;
  return true;
}

constexpr bool timelineCatalogued() {
  return std::all_of(std::begin(TIMELINE), std::end(TIMELINE),
                     [](const TimelineEntry& entry) { return catalogued(entry.effectName); });
}

static_assert(namesUnique(), "two effects share a name");
static_assert(timelineCatalogued(), "a timeline entry names an effect the catalogue lacks");
}  // namespace

std::span<const EffectKind> effectCatalogue() { return CATALOGUE; }

const EffectKind* findEffectKind(std::string_view name) {
  for (const EffectKind& kind : CATALOGUE)
    if (kind.name == name) return &kind;
  return nullptr;
}
