#pragma once

#include <memory>

#include "show/Effect.h"

// The closing scene: a still picture in the middle of a black frame. Sync code 9 ends the show.
class EndEffect final : public Effect {
 public:
  static constexpr std::int32_t QUIT_CODE = 9;
  static constexpr int PICTURE_COLUMN = (FRAME_WIDTH - TEXTURE_SIZE) / 2;  // 128
  static constexpr int PICTURE_ROW = (FRAME_HEIGHT - TEXTURE_SIZE) / 2;    // 12

  void init() override;
  void render(Pixel* frame, float timeMs) override;
  void onSync(std::int32_t code, float timeMs) override;
  // Where the picture lies.
  void describe(StudyReport& report) const override;

 private:
  std::unique_ptr<Pixel[]> endImage;
};
