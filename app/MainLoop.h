#pragma once
// The message loop: window events always come first; a turn with none waiting is an idle turn that
// renders and presents exactly one frame. Once the quit request is posted no idle turn runs: the
// loop takes the events still waiting and ends.

#include <functional>
#include <limits>
#include <string>

#include "app/InfoLine.h"
#include "app/PausableCounter.h"
#include "app/RunLog.h"
#include "app/SeekKeys.h"
#include "app/SoundLevel.h"
#include "display/Screen.h"
#include "platform/Window.h"
#include "show/Engine.h"

struct LoopSettings {
  // The shortest time between two presented frames, for displays without vsync and for --fps;
  // 0 leaves pacing to the display.
  double frameIntervalMs = 0.0;
  // When set, asked once the display is open for the interval to use (0: the display paces).
  std::function<double()> displayInterval;
  // The counter the show clock reads, held while paused; null: the Pause key does nothing.
  PausableCounter* pausable = nullptr;
  // Whether F12 writes the screen to a PNG file, in shotsFolder (empty: the current folder).
  bool screenshots = false;
  std::string shotsFolder;
  // Waits until the given steady-clock moment (ms); the program's sleeps here, tests pass none.
  std::function<void(double untilMs)> sleepUntil;
  std::function<double()> nowMs;
  // The show time (ms) whose first frame ends the loop, as if quit were asked for; infinite: none.
  double endMs = std::numeric_limits<double>::infinity();
  // Told of every frame and cue, and finished when the loop ends for good; null: no log.
  RunLog* log = nullptr;
  // Where the seek keys add up; null: they do nothing.
  SeekKeys* seeks = nullptr;
  // The live sound's level, which the volume and mute keys change; null: they do nothing.
  SoundLevel* sound = nullptr;
  // The information line, which the I key shows and hides; null: the key does nothing.
  InfoLine* info = nullptr;
  // Whether S while paused ends the loop for the study mode (LoopEnd::Study).
  bool studyKey = false;
};

// Why the loop ended: the show is over, a seek waits (in settings.seeks) and no event does, or S
// was pressed while paused.
enum class LoopEnd { Quit, Seek, Study };

// Escape and the window's destruction post the quit request; every key-down that is not one of
// the program's own raises the sync flag again, so the latest music cue is delivered once more at
// the next frame.
void handleWindowEvent(const WindowEvent& event, SyncMailbox& sync);

// A seek key adds to settings.seeks (taken from the show time `shownAtMs`); a volume or mute key
// changes settings.sound, the music's gain, and says so (stderr, the log). False for other keys.
bool takeSeekOrSoundKey(int key, float shownAtMs, Engine& engine, const LoopSettings& settings);

// Writes the screen as shown (the frame in the letterbox, and the overlay over it, if any) to
// zod-MM.SS.mmm.png in `folder` (empty: the current one), else in the user's pictures folder.
// Returns the path written, empty when none could be.
std::string writeScreenshot(const Pixel* frame, float timeMs, const std::string& folder,
                            const ScreenOverlay* overlay = nullptr);

// Writes the log's summary and closes it, saying on stderr when it could not be written in full.
void finishRunLog(RunLog& log, float timeMs, int entry);

// One idle turn: the engine's turn into the screen's frame, pointer hidden, present; the log, if
// any, is told when presenting starts and ends.
void runIdleTurn(Window& window, Screen& screen, Engine& engine, RunLog* log = nullptr);

void runMessageLoop(Window& window, Screen& screen, Engine& engine);
// The live program's loop: Pause holds the picture, the music and the show clock together (cues
// wait); F12 writes the screen as shown to zod-MM.SS.mmm.png; the seek keys end the loop for the
// caller to run the show again from the moment they ask for; the volume keys set the sound's
// level; frames are paced as settings say. Entered with the counter paused (a seek while paused),
// it draws the held moment's frame once and stays paused.
LoopEnd runMessageLoop(Window& window, Screen& screen, Engine& engine, const LoopSettings& settings);
