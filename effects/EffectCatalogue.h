#pragma once
// The one list of the show's effects, in start-up order. Start-up makes one object of each row,
// the timeline and the lab find them by name and capture shows the name. A new effect is its own files plus one row here (and
// its timeline entries).

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "show/Effect.h"

struct EffectKind {
  // The name the lab's `effect` command, the timeline and capture's progress use.
  const char* name;
  // Constructs the effect; the caller runs its init right after.
  std::unique_ptr<Effect> (*make)();
  // The sync code on which the effect ends the show; 0: it never does.
  std::uint8_t closingCode = 0;
};

// Every effect, in start-up order.
std::span<const EffectKind> effectCatalogue();

// The row of that name, or null.
const EffectKind* findEffectKind(std::string_view name);
