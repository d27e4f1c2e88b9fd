#pragma once
// The display on SDL2. Today's screens rarely offer 512 x 384, so instead of switching the mode the
// show's 512 x 280 picture is enlarged on the window as it is, full screen or not, by the rule of
// `fitPicture`, with black around it (the screen's letterbox bars are black and never drawn).
// Presentation is paced by the vertical blank where the renderer offers it.

#include <vector>

#include "display/DisplayLayer.h"
#include "display/PictureFit.h"
#include "platform/TextLine.h"

class SdlWindow;
struct SDL_Renderer;
struct SDL_Texture;

class SdlDisplay final : public DisplayLayer {
 public:
  // `target` must have opened (SdlWindow::ok).
  SdlDisplay(SdlWindow& target, bool startFullScreen, Scaling pictureScaling);
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
  void showLine(const char* text) override;

  // Whether presenting waits for the vertical blank; without it the program paces frames itself.
  bool hasVsync() const;
  // The display's refresh rate in Hz, 60 when it is not known.
  int refreshRate() const;

 private:
  // Follows the renderer's output size: the picture's place and, for smooth scaling, the texture
  // it is first enlarged into.
  void placePicture();
  // Sizes and places the line for the output: in the bar under the picture, or over the picture's
  // bottom where the bar is too thin for it.
  void placeLine();
  void drawLine();

  SdlWindow& window;
  bool fullScreen;
  Scaling scaling;
  SDL_Renderer* renderer = nullptr;
  // The picture's rows, as they are.
  SDL_Texture* texture = nullptr;
  // The picture enlarged by a whole multiple, when a linear stretch follows.
  SDL_Texture* enlarged = nullptr;
  int surfaceWidth = 0;
  int surfaceHeight = 0;
  // The visible surface's pixels; the picture's rows go to the texture on unlock.
  std::vector<Pixel> surfacePixels;
  int outputWidth = 0;
  int outputHeight = 0;
  PictureFit fit;
  // The line shown with the picture (empty: none), its glyphs and its texture, redrawn only
  // when the text or the output's size changes.
  static constexpr int LINE_CHARACTERS = 255;
  char lineText[LINE_CHARACTERS + 1] = {};
  bool lineChanged = false;
  bool linePlaced = false;
  TextLine text;
  SDL_Texture* lineTexture = nullptr;
  std::vector<Pixel> linePixels;
  int lineWidth = 0;
  int lineHeight = 0;
  // 1, or 2 for a text with a line break (the study mode's).
  int lineRows = 1;
  int lineX = 0;
  int lineY = 0;
};
