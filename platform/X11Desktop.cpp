#include "platform/X11Desktop.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>

namespace {
// The property's values as 32-bit items (Xlib hands them over in longs); false when it is missing.
template <typename Visit>
bool readProperty(Display* display, ::Window owner, const char* name, Atom type, Visit visit) {
  Atom actualType = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  const Atom property = XInternAtom(display, name, False);
  if (XGetWindowProperty(display, owner, property, 0, 1024, False, type, &actualType, &format, &count, &after, &data) !=
      Success)
    return false;
  const bool found = data && actualType == type && format == 32 && count > 0;
  if (found) visit(reinterpret_cast<const unsigned long*>(data), count);
  if (data) XFree(data);
  return found;
}
}  // namespace

bool fullScreenManaged(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return true;
  Display* display = info.info.x11.display;
  const ::Window root = DefaultRootWindow(display);
  // A running EWMH window manager names its check window on the root window, and the check window
  // names itself; a stale entry left by one that ended does not.
  ::Window check = None;
  auto first = [&check](const unsigned long* items, unsigned long) { check = items[0]; };
  ::Window confirmed = None;
  auto same = [&confirmed](const unsigned long* items, unsigned long) { confirmed = items[0]; };
  if (!readProperty(display, root, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW, first) || check == None) return false;
  // The check window may be gone, and Xlib's default handler would end the program over it.
  auto* previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  const bool alive = readProperty(display, check, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW, same);
  XSync(display, False);
  XSetErrorHandler(previous);
  if (!alive || confirmed != check) return false;
  const Atom fullScreenState = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
  bool supported = false;
  auto lists = [&](const unsigned long* items, unsigned long count) {
    for (unsigned long i = 0; i < count; ++i) supported = supported || items[i] == fullScreenState;
  };
  return readProperty(display, root, "_NET_SUPPORTED", XA_ATOM, lists) && supported;
}
