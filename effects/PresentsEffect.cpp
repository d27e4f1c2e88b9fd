#include "effects/PresentsEffect.h"

#include <algorithm>

#include "show/StudyReport.h"

void PresentsEffect::init() {
  captionImage = std::make_unique<Pixel[]>(CAPTION_WIDTH * CAPTION_HEIGHT);
  loadShowPicture(captionImage.get(), PRESENTS);
  visible = false;
}

void PresentsEffect::render(Pixel* frame, float) {
  clearFrame(frame);
  if (!visible) return;
  // A plain copy: the caption has no transparent pixels, blue ones included.
  for (int row = 0; row < CAPTION_HEIGHT; ++row) {
    const Pixel* source = captionImage.get() + row * CAPTION_WIDTH;
    std::copy(source, source + CAPTION_WIDTH, frame + (CAPTION_ROW + row) * FRAME_WIDTH + CAPTION_COLUMN);
  }
}

void PresentsEffect::onSync(std::int32_t, float) { visible = true; }

void PresentsEffect::describe(StudyReport& report) const {
  report.value("caption shown", visible ? 1.0 : 0.0);
  if (visible) report.rect(StudyLayer::Pictures, CAPTION_COLUMN, CAPTION_ROW, CAPTION_WIDTH, CAPTION_HEIGHT);
}
