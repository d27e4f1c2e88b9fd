#pragma once
// The program from the window to the end of the show: the window, the screen, the focus, the show's
// start-up, then the message loop. Returns 0 however the show ends.

#include <string>

#include "stage/Show.h"
#include "platform/Window.h"
#include "display/DisplayLayer.h"
#include "show/MillisecondCounter.h"

struct ProgramOptions {
  bool windowed = false;
  int scale = 2;
  // Empty: the working directory.
  std::string assetDir;
  int syncOffsetMs = 0;
  // Empty: from the start. Otherwise a show time to start at (see LateStart.h).
  std::string start;
};

struct Platform {
  Window& window;
  DisplayLayer& display;
  MillisecondCounter& counter;
};

// Runs the show on any platform (the SDL one below, or a headless one in tests).
int runShowOn(Platform& platform, const ShowOptions& options);

// The real program: SDL window and display, message boxes, the steady clock, the sound device.
int runProgram(const ProgramOptions& options);
