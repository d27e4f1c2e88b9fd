#include "platform/SdlDisplay.h"

#include <SDL.h>

SdlDisplay::SdlDisplay(SDL_Window* target, bool startFullScreen) : window(target), fullScreen(startFullScreen) {}

SdlDisplay::~SdlDisplay() {
  if (texture) SDL_DestroyTexture(texture);
  if (renderer) SDL_DestroyRenderer(renderer);
}

bool SdlDisplay::open() {
  if (!window) return false;
  // Sharp pixels when scaled up, as on a real 512 x 384 mode.
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
  if (!renderer) renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_PRESENTVSYNC);
  if (!renderer) renderer = SDL_CreateRenderer(window, -1, 0);
  return renderer != nullptr;
}

bool SdlDisplay::takeExclusive() {
  if (!fullScreen) return true;
  return SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
}

bool SdlDisplay::setMode(int width, int height, int bitsPerPixel) {
  if (width <= 0 || height <= 0 || bitsPerPixel != 32) return false;
  // The logical size keeps the 4:3 shape and leaves black bars around it.
  if (SDL_RenderSetLogicalSize(renderer, width, height) != 0) return false;
  surfaceWidth = width;
  surfaceHeight = height;
  return true;
}

bool SdlDisplay::createPrimarySurface() {
  // XRGB8888 is the frame's own 0x00RRGGBB word: the copy needs no conversion.
  texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                              surfaceWidth, surfaceHeight);
  if (!texture) return false;
  surfacePixels.assign(static_cast<std::size_t>(surfaceWidth) * surfaceHeight, 0);
  SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
  SDL_RenderClear(renderer);
  SDL_RenderPresent(renderer);
  return true;
}

// SDL paces by the vertical blank inside SDL_RenderPresent, which unlock() calls.
void SdlDisplay::waitForVerticalBlank() {}

LockedSurface SdlDisplay::lock() {
  if (!texture) return {};
  return {surfacePixels.data(), static_cast<int>(surfaceWidth * sizeof(Pixel))};
}

void SdlDisplay::unlock() {
  int width = 0;
  int height = 0;
  if (SDL_GetRendererOutputSize(renderer, &width, &height) == 0) {
    const bool fits = width >= surfaceWidth && height >= surfaceHeight;
    if (fits != integerScale) {
      SDL_RenderSetIntegerScale(renderer, fits ? SDL_TRUE : SDL_FALSE);
      integerScale = fits;
    }
  }
  SDL_UpdateTexture(texture, nullptr, surfacePixels.data(), static_cast<int>(surfaceWidth * sizeof(Pixel)));
  SDL_RenderClear(renderer);
  SDL_RenderCopy(renderer, texture, nullptr, nullptr);
  SDL_RenderPresent(renderer);
}

bool SdlDisplay::hasVsync() const {
  SDL_RendererInfo info;
  if (!renderer || SDL_GetRendererInfo(renderer, &info) != 0) return false;
  // SDL's software renderer accepts the flag but only waits where the window system does.
  return (info.flags & SDL_RENDERER_PRESENTVSYNC) != 0 && (info.flags & SDL_RENDERER_SOFTWARE) == 0;
}

int SdlDisplay::refreshRate() const {
  SDL_DisplayMode mode;
  const int index = window ? SDL_GetWindowDisplayIndex(window) : 0;
  if (SDL_GetCurrentDisplayMode(index < 0 ? 0 : index, &mode) == 0 && mode.refresh_rate > 0) return mode.refresh_rate;
  return 60;
}
