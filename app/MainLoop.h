#pragma once
// The message loop: window events always come first; a turn with none waiting is an idle turn that
// renders and presents exactly one frame. Once the quit request is posted no idle turn runs: the
// loop takes the events still waiting and ends.

#include "platform/Window.h"
#include "display/Screen.h"
#include "show/Engine.h"

// Escape and the window's destruction post the quit request; every other key-down raises the
// sync flag again, so the latest music cue is delivered once more at the next frame.
void handleWindowEvent(const WindowEvent& event, SyncMailbox& sync);

// One idle turn: clock, sequencer (sync, scene changes, render), pointer hidden, present.
void runIdleTurn(Window& window, Screen& screen, Engine& engine);

void runMessageLoop(Window& window, Screen& screen, Engine& engine);
