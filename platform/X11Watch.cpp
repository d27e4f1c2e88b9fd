#include "platform/X11Watch.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <atomic>

namespace {
std::atomic<bool> gone{false};
XErrorHandler previousHandler = nullptr;
SDL_Window* watched = nullptr;

// The window's X id now: SDL makes a new X window when a renderer needs one of another kind, and
// the old one's destruction is no news.
::Window currentId() {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!watched || !SDL_GetWindowWMInfo(watched, &info) || info.subsystem != SDL_SYSWM_X11) return 0;
  return info.info.x11.window;
}

int onXError(Display* display, XErrorEvent* error) {
  // Only errors about our own window: SDL and the window manager may race on other windows.
  if ((error->error_code == BadWindow || error->error_code == BadDrawable) && error->resourceid == currentId()) {
    gone = true;
    return 0;
  }
  return previousHandler ? previousHandler(display, error) : 0;
}
}  // namespace

void watchX11Window(SDL_Window* window) {
  watched = window;
  if (currentId() == 0) return;
  previousHandler = XSetErrorHandler(&onXError);
  SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
}

void noteX11Event(const SDL_Event& event) {
  if (event.type != SDL_SYSWMEVENT || event.syswm.msg->subsystem != SDL_SYSWM_X11) return;
  const XEvent& x = event.syswm.msg->msg.x11.event;
  if (x.type == DestroyNotify && x.xdestroywindow.window == currentId()) gone = true;
}

bool x11WindowGone() { return gone; }
