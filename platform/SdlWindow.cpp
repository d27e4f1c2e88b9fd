#include "platform/SdlWindow.h"

#include <SDL.h>

#include <cstdio>

#include "base/Fatal.h"
#include "render/Pixel.h"

namespace {
constexpr const char* WINDOW_TITLE = "Zod vom Dirurar";

void reportInMessageBox(const char* caption, const char* text) {
  if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr) != 0)
    reportFatalToStderr(caption, text);
}
}  // namespace

SdlWindow::SdlWindow(bool fullScreen, int scale) {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    std::fprintf(stderr, "zod: no display: %s\n", SDL_GetError());
    return;
  }
  videoStarted = true;
  int size = fullScreen || scale < 1 ? 1 : scale;
  Uint32 flags = SDL_WINDOW_BORDERLESS | SDL_WINDOW_SHOWN;
  window = SDL_CreateWindow(WINDOW_TITLE, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                            FRAME_WIDTH * size, SCREEN_HEIGHT * size, flags);
  if (!window) {
    std::fprintf(stderr, "zod: cannot open a window: %s\n", SDL_GetError());
    return;
  }
  SDL_ShowCursor(SDL_DISABLE);
}

SdlWindow::~SdlWindow() {
  if (window) SDL_DestroyWindow(window);
  if (videoStarted) SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
}

bool SdlWindow::pollEvent(WindowEvent& event) {
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    switch (e.type) {
      case SDL_KEYDOWN:
        // Keys pressed with Alt, Alt itself and F10 are the system's (menus, Alt+F4), not the show's.
        if ((e.key.keysym.mod & KMOD_ALT) || e.key.keysym.sym == SDLK_LALT ||
            e.key.keysym.sym == SDLK_RALT || e.key.keysym.sym == SDLK_F10)
          break;
        event = {WindowEvent::Kind::KeyDown,
                 e.key.keysym.sym == SDLK_ESCAPE ? KEY_ESCAPE : static_cast<int>(e.key.keysym.sym)};
        return true;
      case SDL_QUIT:
        event = {WindowEvent::Kind::Destroyed, 0};
        return true;
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
          event = {WindowEvent::Kind::Destroyed, 0};
          return true;
        }
        break;
      default:
        break;  // everything else gets SDL's own handling
    }
  }
  return false;
}

void SdlWindow::focus() {
  if (window) SDL_RaiseWindow(window);
}

void SdlWindow::hideCursor() { SDL_ShowCursor(SDL_DISABLE); }

void SdlWindow::installFatalReporter() { setFatalReporter(&reportInMessageBox); }
