#pragma once
// The show's window on SDL2, titled "Zod vom Dirurar", black, with no mouse pointer. Full screen
// covers the desktop, with a window manager or without; otherwise it is an ordinary window (border,
// close button, resizable) of 512 x 384 times a scale that fits the screen. F11 and Alt+Enter
// switch between the two; the window comes back at the size it had last. A remembered place, when
// the screen still has room for it, replaces the scale's size and the centre.

#include <string>

#include "platform/Window.h"

struct SDL_Window;

class SdlWindow final : public Window {
 public:
  // Opens SDL's video and the window. When there is no display (or only SDL's offscreen or dummy
  // driver, which nobody asked for), ok() is false and problem() says why.
  SdlWindow(bool startFullScreen, int scale, const WindowPlace* remembered = nullptr);
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
  // Where the window is when it is not full screen, or where it was last.
  WindowPlace windowedPlace() const;
  // False when the window system refused.
  bool setFullScreen(bool wanted);

  // Makes showFatal show a modal message box and print the report on stderr.
  static void installFatalReporter();

 private:
  SDL_Window* window = nullptr;
  void noteWindowedPlace();

  // Full screen made by hand, where no window manager does it.
  bool coveringScreen = false;
  // The window's place the last time it was not full screen: where it goes back to.
  WindowPlace lastWindowed;
  bool videoStarted = false;
  bool goneReported = false;
  int usedScale = 1;
  std::string failure;
};
