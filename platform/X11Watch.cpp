#include "platform/X11Watch.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <atomic>

namespace {
std::atomic<bool> gone{false};
XErrorHandler previousHandler = nullptr;
::Window watched = 0;

int onXError(Display* display, XErrorEvent* error) {
  if (error->error_code == BadWindow || error->error_code == BadDrawable) {
    gone = true;
    return 0;
  }
  return previousHandler ? previousHandler(display, error) : 0;
}
}  // namespace

void watchX11Window(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
  watched = info.info.x11.window;
  previousHandler = XSetErrorHandler(&onXError);
  SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
}

void noteX11Event(const SDL_Event& event) {
  if (event.type != SDL_SYSWMEVENT || event.syswm.msg->subsystem != SDL_SYSWM_X11) return;
  const XEvent& x = event.syswm.msg->msg.x11.event;
  if (x.type == DestroyNotify && x.xdestroywindow.window == watched) gone = true;
}

bool x11WindowGone() { return gone; }
