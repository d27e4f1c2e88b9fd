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
  // An error about our own window (BadWindow, BadDrawable, GLX's own BadDrawable) means it is gone.
  if (error->resourceid != 0 && error->resourceid == currentId()) {
    gone = true;
    return 0;
  }
  // Requests SDL makes about a window that has just gone (moving, translating coordinates) fail
  // too, before its destruction is read from the queue; they are no reason to end.
  if (error->error_code == BadWindow || error->error_code == BadDrawable) return 0;
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
