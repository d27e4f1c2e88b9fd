#pragma once
// The display on SDL2. Today's screens rarely offer 512 x 384, so instead of switching the mode the
// show's 512 x 384 surface is scaled up with its 4:3 shape kept and black around it: in SDL's
// desktop full-screen mode, or in a plain window, by whole multiples where the window holds at least
// 512 x 384. Presentation is paced by the vertical blank where the renderer offers it.

#include <vector>

#include "display/DisplayLayer.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

class SdlDisplay final : public DisplayLayer {
 public:
  // `target` may be null (the window could not be opened): then open() fails.
  SdlDisplay(SDL_Window* target, bool startFullScreen);
  ~SdlDisplay() override;
  SdlDisplay(const SdlDisplay&) = delete;
  SdlDisplay& operator=(const SdlDisplay&) = delete;

  bool open() override;
  bool takeExclusive() override;
  bool setMode(int width, int height, int bitsPerPixel) override;
  bool createPrimarySurface() override;
  void waitForVerticalBlank() override;
  LockedSurface lock() override;
  void unlock() override;

  // Whether presenting waits for the vertical blank; without it the program paces frames itself.
  bool hasVsync() const;
  // The display's refresh rate in Hz, 60 when it is not known.
  int refreshRate() const;

 private:
  SDL_Window* window;
  bool fullScreen;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  int surfaceWidth = 0;
  int surfaceHeight = 0;
  // The visible surface's pixels; they go to the texture on unlock. Kept between frames, so the
  // rows present never writes stay as they were (black).
  std::vector<Pixel> surfacePixels;
  // Whole multiples of 512 x 384 when the window holds at least one; smooth shrinking below.
  bool integerScale = false;
};
