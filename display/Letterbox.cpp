#include "display/Letterbox.h"

#include <algorithm>

void screenAsShown(const Pixel* frame, Pixel* screen) {
  std::fill(screen, screen + SCREEN_PIXELS, 0u);
  std::copy(frame, frame + FRAME_PIXELS, screen + LETTERBOX_ROWS * FRAME_WIDTH);
}
