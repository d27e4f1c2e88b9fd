#pragma once
// The program from the window to the end of the show: the window, the screen, the focus, the show's
// start-up, then the message loop. Returns 0 when the show ends (Escape, closing the window, its
// end) and 1 after a fatal report.

#include <string>

#include "stage/Show.h"
#include "platform/Window.h"
#include "display/DisplayLayer.h"
#include "display/PictureFit.h"
#include "show/MillisecondCounter.h"
#include "app/MainLoop.h"
#include "app/SoundLevel.h"

struct ProgramOptions {
  bool windowed = false;
  // Full screen is the default; the option only says so explicitly.
  bool fullScreen = false;
  // No sound device: the music runs on a silent clock, its cues arrive as they would with sound.
  bool mute = false;
  // Empty: as fast as the display shows frames. Otherwise frames a second for the live show.
  std::string frameRate;
  int scale = 2;
  // --scale was given: the window takes that size, not the remembered one.
  bool scaleGiven = false;
  // Automatic when not given: the remembered scaling, else the automatic choice.
  Scaling scaling = Scaling::Automatic;
  // Read the settings file at the start and write it at the end (see Settings.h).
  bool useSettings = true;
  // Empty: the working directory.
  std::string assetDir;
  int syncOffsetMs = 0;
  // Empty: from the start. Otherwise a show time to start at (see LateStart.h).
  std::string start;
  // Empty: the show runs to its end. Otherwise the show time the live show ends at (as --start).
  std::string end;
  // Start in the study mode (see StudyMode.h), from --start or the beginning; Space there plays on live.
  bool study = false;
  // Empty: F12 writes in the current folder. Otherwise the folder it writes in.
  std::string shotsFolder;
  // Empty: no run log. Otherwise the file the run log goes to (see RunLog.h).
  std::string logPath;
  // The sound's level at the start; the volume and mute keys change it from there.
  SoundLevel sound;
  // The count of allocations the run log reports; null: not counted.
  RunLog::AllocationCount allocationCount = nullptr;
};

struct Platform {
  Window& window;
  DisplayLayer& display;
  MillisecondCounter& counter;
  // How the message loop paces frames, pauses, takes screenshots, seeks and sets the volume.
  LoopSettings loop = {};
};

// Runs the show on any platform (the SDL one below, or a headless one in tests).
int runShowOn(Platform& platform, const ShowOptions& options);

// The real program: the pictures checked, SDL window and display, message boxes, the steady clock,
// the sound device (or a silent one with --mute).
int runProgram(const ProgramOptions& options);
