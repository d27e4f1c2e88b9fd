#pragma once

#include "show/Effect.h"

// Not drawn yet: this scene clears the frame until its effect is built.
class HeartEffect final : public Effect {
 public:
  void init() override;
  void render(Pixel* frame, float timeMs) override;
  void onSync(std::int32_t code, float timeMs) override;
};
