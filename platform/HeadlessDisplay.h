#pragma once
// A display in memory: a 512 x 384 surface that tests can look at, with switches that make any
// set-up step or the lock fail.

#include <string>
#include <vector>

#include "display/DisplayLayer.h"

class HeadlessDisplay final : public DisplayLayer {
 public:
  HeadlessDisplay();

  bool open() override { return !failOpen; }
  bool takeExclusive() override { return !failExclusive; }
  bool setMode(int width, int height, int bitsPerPixel) override;
  bool createPrimarySurface() override { return !failSurface; }
  void waitForVerticalBlank() override { ++verticalBlanks; }
  LockedSurface lock() override;
  void unlock() override { ++presentedFrames; }
  void showLine(const char* text) override { line = text; }

  const Pixel* surface() const { return surfacePixels.data(); }
  Pixel* surface() { return surfacePixels.data(); }

  bool failOpen = false;
  bool failExclusive = false;
  bool failMode = false;
  bool failSurface = false;
  bool failLock = false;
  int verticalBlanks = 0;
  int presentedFrames = 0;
  // The line the display was last told to show.
  std::string line;

 private:
  std::vector<Pixel> surfacePixels;
};
