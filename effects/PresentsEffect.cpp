#include "effects/PresentsEffect.h"

#include <algorithm>

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
