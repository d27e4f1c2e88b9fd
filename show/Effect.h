#pragma once
// A scene of the show. The one object of each effect class lives for the whole run and keeps
// its state from one timeline entry to the next.

#include <cstdint>

#include "render/Pixel.h"

class Effect {
 public:
  virtual ~Effect() = default;

  // Once, right after construction: loads pictures and builds tables.
  virtual void init() = 0;
  // Draws into the 512 x 280 frame (which has 384 rows of allocation) at show time timeMs.
  virtual void render(Pixel* frame, float timeMs) = 0;
  // A sync event (code 0 or 2..255) delivered before the render of the same frame.
  virtual void onSync(std::int32_t code, float timeMs) = 0;
};
