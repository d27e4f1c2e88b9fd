#include "display/Screen.h"

#include <cstring>

#include "base/Fatal.h"

Screen::Screen(DisplayLayer& layer, int modeWidth, int modeHeight, int modeBitsPerPixel)
    : display(layer), width(modeWidth), height(modeHeight), bitsPerPixel(modeBitsPerPixel) {
  if (!display.open()) {
    showFatal(DISPLAY_OPEN_FAILED);
  } else if (!display.takeExclusive()) {
    showFatal(DISPLAY_EXCLUSIVE_FAILED);
  } else if (!display.setMode(width, height, bitsPerPixel)) {
    showFatal(DISPLAY_MODE_FAILED);
  } else if (!display.createPrimarySurface()) {
    showFatal(DISPLAY_SURFACE_FAILED);
  } else {
    ready = true;
  }
  // The size is fixed whatever was asked for: effects rely on 384 rows of room.
  framePixels = std::make_unique<Pixel[]>(SCREEN_PIXELS);
}

void Screen::present() {
  if (!ready) return;
  display.waitForVerticalBlank();
  LockedSurface surface = display.lock();
  if (!surface.pixels) return;
  // Row by row at the surface's own pitch; for a 2048-byte pitch this is the one block copy.
  auto* target = reinterpret_cast<unsigned char*>(surface.pixels) +
                 static_cast<std::ptrdiff_t>(LETTERBOX_ROWS) * surface.pitchBytes;
  const Pixel* source = framePixels.get();
  for (int row = 0; row < FRAME_HEIGHT; ++row) {
    std::memcpy(target, source, FRAME_WIDTH * sizeof(Pixel));
    target += surface.pitchBytes;
    source += FRAME_WIDTH;
  }
  if (overlay)
    overlay->draw(reinterpret_cast<Pixel*>(reinterpret_cast<unsigned char*>(surface.pixels) +
                                           static_cast<std::ptrdiff_t>(LETTERBOX_ROWS) * surface.pitchBytes),
                  surface.pitchBytes / static_cast<int>(sizeof(Pixel)));
  display.unlock();
}
