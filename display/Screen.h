#pragma once
// The display the show is presented on, and the frame the effects draw into.
//
// The frame is 512 x 384 pixels of memory of which the top 280 rows are drawn and presented; the
// rest is scratch room some effects write into. It is cleared to black once, when it is made, so
// the very first frame (drawn by nobody) shows black. present copies those 280 rows 52 rows down
// the 512 x 384 display; the bars above and below are never written and stay black.

#include <memory>

#include "display/DisplayLayer.h"
#include "render/Pixel.h"

inline constexpr const char* DISPLAY_OPEN_FAILED = "Leider kan ich kein DirektZeichen Objekt schaffen";
inline constexpr const char* DISPLAY_EXCLUSIVE_FAILED =
    "Leider kan ich kein ZusammenarbeitNiveau einstellen";
inline constexpr const char* DISPLAY_MODE_FAILED = "Leider kan ich kein Zeichenmodus einstellen";
inline constexpr const char* DISPLAY_SURFACE_FAILED = "Leider kan ich keine ZeichenPuffers schaffen";

// Drawn by the display over the picture each time it is presented, never into the frame: the
// study mode's overlays. `picture` is the picture's top-left pixel, `pitch` pixels from one row
// to the next.
class ScreenOverlay {
 public:
  virtual void draw(Pixel* picture, int pitch) const = 0;

 protected:
  ~ScreenOverlay() = default;
};

class Screen {
 public:
  // Sets the display up (each failing step reports its message through showFatal; the steps after
  // a failure are skipped, since they would need what failed), then allocates the frame.
  Screen(DisplayLayer& layer, int modeWidth, int modeHeight, int modeBitsPerPixel);

  Pixel* frame() { return framePixels.get(); }
  // Waits for the vertical blank and copies the frame onto the display; does nothing if the set-up
  // failed, and skips the copy when the surface cannot be locked.
  void present();
  // A line of text the display shows with the picture, outside the frame (see DisplayLayer).
  void showLine(const char* text) { display.showLine(text); }
  // Null: none.
  void showOverlay(const ScreenOverlay* shown) { overlay = shown; }

 private:
  DisplayLayer& display;
  int width;
  int height;
  int bitsPerPixel;
  bool ready = false;
  const ScreenOverlay* overlay = nullptr;
  std::unique_ptr<Pixel[]> framePixels;
};
