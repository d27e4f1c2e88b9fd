#pragma once

#include <memory>

#include "image/ShowPictures.h"
#include "show/Effect.h"

// The opening scene: a black frame, and from the first sync event on a small caption in its
// middle.
class PresentsEffect final : public Effect {
 public:
  static constexpr int CAPTION_WIDTH = PRESENTS.width;
  static constexpr int CAPTION_HEIGHT = PRESENTS.height;
  static constexpr int CAPTION_COLUMN = (FRAME_WIDTH - CAPTION_WIDTH) / 2;  // 221
  static constexpr int CAPTION_ROW = (FRAME_HEIGHT - CAPTION_HEIGHT) / 2;   // 130

  void init() override;
  void render(Pixel* frame, float timeMs) override;
  void onSync(std::int32_t code, float timeMs) override;
  // Whether the caption is shown, and where.
  void describe(StudyReport& report) const override;

 private:
  std::unique_ptr<Pixel[]> captionImage;
  bool visible = false;
};
