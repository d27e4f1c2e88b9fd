#pragma once
// The show's window on SDL2: borderless, black, titled "Zod vom Dirurar", with no mouse pointer.
// In full-screen use it starts at 512 x 384 and the display layer makes it cover the desktop; in
// a window it is 512 x 384 times a scale.

#include "platform/Window.h"

struct SDL_Window;

class SdlWindow final : public Window {
 public:
  // Opens SDL's video and the window; when that fails, handle() is null (and the display layer
  // then reports that it cannot open the display).
  SdlWindow(bool fullScreen, int scale);
  ~SdlWindow() override;
  SdlWindow(const SdlWindow&) = delete;
  SdlWindow& operator=(const SdlWindow&) = delete;

  bool pollEvent(WindowEvent& event) override;
  void focus() override;
  void hideCursor() override;

  SDL_Window* handle() const { return window; }

  // Makes showFatal show a modal message box (stderr when no box can be shown).
  static void installFatalReporter();

 private:
  SDL_Window* window = nullptr;
  bool videoStarted = false;
};
