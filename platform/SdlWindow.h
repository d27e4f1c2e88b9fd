#pragma once
// The show's window on SDL2, titled "Zod vom Dirurar", black, with no mouse pointer. Full screen
// covers the desktop, with a window manager or without; otherwise it is an ordinary window (border,
// close button, resizable) of 512 x 384 times a scale that fits the screen. F11 and Alt+Enter
// switch between the two; the window comes back at the size it had last.

#include <SDL_rect.h>

#include <string>

#include "platform/Window.h"

struct SDL_Window;

class SdlWindow final : public Window {
 public:
  // Opens SDL's video and the window. When there is no display (or only SDL's offscreen or dummy
  // driver, which nobody asked for), ok() is false and problem() says why.
  SdlWindow(bool startFullScreen, int scale);
  ~SdlWindow() override;
  SdlWindow(const SdlWindow&) = delete;
  SdlWindow& operator=(const SdlWindow&) = delete;

  bool ok() const { return window != nullptr; }
  const std::string& problem() const { return failure; }
  // The scale the window opened with (the one asked for, made smaller to fit the screen).
  int scale() const { return usedScale; }

  bool pollEvent(WindowEvent& event) override;
  void focus() override;
  void hideCursor() override;

  SDL_Window* handle() const { return window; }
  bool fullScreen() const;
  // False when the window system refused.
  bool setFullScreen(bool wanted);

  // Makes showFatal show a modal message box and print the report on stderr.
  static void installFatalReporter();

 private:
  SDL_Window* window = nullptr;
  // Full screen made by hand, where no window manager does it; the window's place to go back to.
  bool coveringScreen = false;
  SDL_Rect windowedPlace = {};
  bool videoStarted = false;
  bool goneReported = false;
  int usedScale = 1;
  std::string failure;
};
