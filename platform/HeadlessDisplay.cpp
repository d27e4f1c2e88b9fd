#include "platform/HeadlessDisplay.h"

HeadlessDisplay::HeadlessDisplay() : surfacePixels(SCREEN_PIXELS, 0) {}

bool HeadlessDisplay::setMode(int width, int height, int bitsPerPixel) {
  return !failMode && width == FRAME_WIDTH && height == SCREEN_HEIGHT && bitsPerPixel == 32;
}

LockedSurface HeadlessDisplay::lock() {
  if (failLock) return {};
  return {surfacePixels.data(), static_cast<int>(FRAME_WIDTH * sizeof(Pixel))};
}
