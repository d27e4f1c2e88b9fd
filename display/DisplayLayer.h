#pragma once
// What the Screen needs of a display: open it, take it for the show's window, set the mode, get
// the visible surface, wait for the vertical blank, and lock the surface for one copy.

#include <cstdint>

#include "render/Pixel.h"

struct LockedSurface {
  // Null when the lock failed: then nothing may be copied.
  Pixel* pixels = nullptr;
  // Bytes from one row to the next.
  int pitchBytes = 0;
};

class DisplayLayer {
 public:
  virtual ~DisplayLayer() = default;
  virtual bool open() = 0;
  virtual bool takeExclusive() = 0;
  virtual bool setMode(int width, int height, int bitsPerPixel) = 0;
  virtual bool createPrimarySurface() = 0;
  virtual void waitForVerticalBlank() = 0;
  virtual LockedSurface lock() = 0;
  // Makes the written pixels visible.
  virtual void unlock() = 0;
  // A line of any text the display shows from the next frame on, beside the picture (in the bar
  // below it), never in the frame itself; empty: none. A line break splits it into two rows.
  virtual void showLine(const char* text) { (void)text; }
};
