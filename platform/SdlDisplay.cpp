#include "platform/SdlDisplay.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

#include "platform/SdlWindow.h"

SdlDisplay::SdlDisplay(SdlWindow& target, bool startFullScreen, Scaling pictureScaling)
    : window(target), fullScreen(startFullScreen), scaling(pictureScaling) {}

SdlDisplay::~SdlDisplay() {
  if (lineTexture) SDL_DestroyTexture(lineTexture);
  if (enlarged) SDL_DestroyTexture(enlarged);
  if (texture) SDL_DestroyTexture(texture);
  if (renderer) SDL_DestroyRenderer(renderer);
}

bool SdlDisplay::open() {
  if (!window.handle()) return false;
  renderer = SDL_CreateRenderer(window.handle(), -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
  if (!renderer) renderer = SDL_CreateRenderer(window.handle(), -1, SDL_RENDERER_PRESENTVSYNC);
  if (!renderer) renderer = SDL_CreateRenderer(window.handle(), -1, 0);
  return renderer != nullptr;
}

bool SdlDisplay::takeExclusive() { return !fullScreen || window.setFullScreen(true); }

bool SdlDisplay::setMode(int width, int height, int bitsPerPixel) {
  // The picture is presented from the rows where the screen has it.
  if (width != FRAME_WIDTH || height != SCREEN_HEIGHT || bitsPerPixel != 32) return false;
  surfaceWidth = width;
  surfaceHeight = height;
  return true;
}

bool SdlDisplay::createPrimarySurface() {
  // XRGB8888 is the frame's own 0x00RRGGBB word: the copy needs no conversion.
  texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, FRAME_WIDTH, FRAME_HEIGHT);
  if (!texture) return false;
  SDL_SetTextureScaleMode(texture, SDL_ScaleModeNearest);
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

void SdlDisplay::placePicture() {
  int width = 0;
  int height = 0;
  if (SDL_GetRendererOutputSize(renderer, &width, &height) != 0 || (width == outputWidth && height == outputHeight))
    return;
  outputWidth = width;
  outputHeight = height;
  fit = fitPicture(width, height, scaling);
  linePlaced = false;
  if (enlarged) SDL_DestroyTexture(enlarged);
  enlarged = nullptr;
  if (fit.smooth && fit.wholeFactor > 1 && SDL_RenderTargetSupported(renderer)) {
    enlarged = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_TARGET,
                                 FRAME_WIDTH * fit.wholeFactor, FRAME_HEIGHT * fit.wholeFactor);
    if (enlarged) SDL_SetTextureScaleMode(enlarged, SDL_ScaleModeLinear);
  }
  // Without the enlarged texture a smooth fit stretches the picture linearly at once: soft, but whole.
  SDL_SetTextureScaleMode(texture, fit.smooth && !enlarged ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
}

void SdlDisplay::unlock() {
  placePicture();
  const Pixel* picture = surfacePixels.data() + static_cast<std::size_t>(LETTERBOX_ROWS) * surfaceWidth;
  SDL_UpdateTexture(texture, nullptr, picture, static_cast<int>(surfaceWidth * sizeof(Pixel)));
  const SDL_Rect place{fit.x, fit.y, fit.width, fit.height};
  if (enlarged && SDL_SetRenderTarget(renderer, enlarged) == 0) {
    SDL_RenderCopy(renderer, texture, nullptr, nullptr);
    SDL_SetRenderTarget(renderer, nullptr);
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, enlarged, nullptr, &place);
  } else {
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, texture, nullptr, &place);
  }
  if (lineText[0] != '\0') drawLine();
  SDL_RenderPresent(renderer);
}

void SdlDisplay::showLine(const char* line) {
  if (std::strncmp(line, lineText, LINE_CHARACTERS) == 0) return;
  std::strncpy(lineText, line, LINE_CHARACTERS);
  lineChanged = true;
  const int rows = std::strchr(lineText, '\n') ? 2 : 1;
  if (rows != lineRows) {
    lineRows = rows;
    linePlaced = false;
  }
}

void SdlDisplay::placeLine() {
  linePlaced = true;
  const int bar = outputHeight - (fit.y + fit.height);
  // Half the bar high, readable at any size; where the bar is thinner than the smallest line
  // the line covers the picture's bottom rows instead.
  constexpr int SMALLEST = 12;
  const bool inBar = bar >= lineRows * SMALLEST + 4;
  const int pixels =
      inBar ? std::clamp(bar / (lineRows + 1), SMALLEST, 28) : std::clamp(outputHeight / 40, SMALLEST, 20);
  if (!text.setPixelSize(pixels)) return;
  // A character's width in from the picture's edges.
  const int margin = text.cellWidth();
  const int width = std::max(text.cellWidth(), std::min(fit.width, outputWidth) - 2 * margin);
  const int height = lineRows * text.lineHeight();
  if (!lineTexture || width != lineWidth || height != lineHeight) {
    if (lineTexture) SDL_DestroyTexture(lineTexture);
    lineWidth = width;
    lineHeight = height;
    lineTexture =
        SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, lineWidth, lineHeight);
    linePixels.assign(static_cast<std::size_t>(lineWidth) * lineHeight, 0);
  }
  lineX = std::max(0, fit.x) + margin;
  lineY = inBar ? fit.y + fit.height + (bar - lineHeight) / 2 : outputHeight - lineHeight;
  lineChanged = true;
}

void SdlDisplay::drawLine() {
  if (!linePlaced) placeLine();
  if (!lineTexture) return;
  if (lineChanged) {
    // Each row up to its line break; a single row is the whole text.
    const char* row = lineText;
    for (int r = 0; r < lineRows; ++r) {
      char rowText[LINE_CHARACTERS + 1] = {};
      const char* rowEnd = std::strchr(row, '\n');
      const std::size_t length = rowEnd ? static_cast<std::size_t>(rowEnd - row) : std::strlen(row);
      std::memcpy(rowText, row, length);
      text.draw(rowText, linePixels.data() + static_cast<std::ptrdiff_t>(r) * lineWidth * text.lineHeight(), lineWidth);
      row = rowEnd ? rowEnd + 1 : row + length;
    }
    SDL_UpdateTexture(lineTexture, nullptr, linePixels.data(), static_cast<int>(lineWidth * sizeof(Pixel)));
    lineChanged = false;
  }
  const SDL_Rect place{lineX, lineY, lineWidth, lineHeight};
  SDL_RenderCopy(renderer, lineTexture, nullptr, &place);
}

bool SdlDisplay::hasVsync() const {
  SDL_RendererInfo info;
  if (!renderer || SDL_GetRendererInfo(renderer, &info) != 0) return false;
  // SDL's software renderer accepts the flag but only waits where the window system does.
  return (info.flags & SDL_RENDERER_PRESENTVSYNC) != 0 && (info.flags & SDL_RENDERER_SOFTWARE) == 0;
}

int SdlDisplay::refreshRate() const {
  SDL_DisplayMode mode;
  const int index = window.handle() ? SDL_GetWindowDisplayIndex(window.handle()) : 0;
  if (SDL_GetCurrentDisplayMode(index < 0 ? 0 : index, &mode) == 0 && mode.refresh_rate > 0) return mode.refresh_rate;
  return 60;
}
