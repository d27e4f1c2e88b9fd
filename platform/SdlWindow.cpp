#include "platform/SdlWindow.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/Fatal.h"
#include "platform/X11Desktop.h"
#include "platform/X11Watch.h"
#include "render/Pixel.h"

namespace {
constexpr const char* WINDOW_TITLE = "Zod vom Dirurar";
// Room left for the window manager's title bar and border when the scale is chosen.
constexpr int FRAME_ALLOWANCE = 64;

void reportInMessageBox(const char* caption, const char* text) {
  reportFatalToStderr(caption, text);
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr);
}

bool offscreenDriver(const char* driver) {
  return driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}

// Modifiers, lock keys and the keyboard's media and system keys work the machine, not the show.
bool machineKey(const SDL_Keysym& key) {
  switch (key.sym) {
    case SDLK_UNKNOWN:
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
    case SDLK_LCTRL:
    case SDLK_RCTRL:
    case SDLK_LALT:
    case SDLK_RALT:
    case SDLK_LGUI:
    case SDLK_RGUI:
    case SDLK_MODE:
    case SDLK_CAPSLOCK:
    case SDLK_NUMLOCKCLEAR:
    case SDLK_SCROLLLOCK:
    case SDLK_MUTE:
    case SDLK_VOLUMEUP:
    case SDLK_VOLUMEDOWN:
    case SDLK_POWER:
    case SDLK_F10:  // the window manager's menu key
      return true;
    default:
      // From here on SDL's scan codes are the consumer keys: audio, brightness, browser, mail...
      return key.scancode >= SDL_SCANCODE_AUDIONEXT;
  }
}

// How much of a remembered window must still be on some display for its position to be used.
constexpr int VISIBLE_CORNER = 64;

bool onSomeDisplay(const WindowPlace& place) {
  const SDL_Rect wanted{place.x, place.y, place.width, place.height};
  for (int i = 0; i < SDL_GetNumVideoDisplays(); ++i) {
    SDL_Rect bounds;
    SDL_Rect shared;
    if (SDL_GetDisplayBounds(i, &bounds) == 0 && SDL_IntersectRect(&wanted, &bounds, &shared) &&
        shared.w >= VISIBLE_CORNER && shared.h >= VISIBLE_CORNER)
      return true;
  }
  return false;
}
}  // namespace

SdlWindow::SdlWindow(bool startFullScreen, int scale, const WindowPlace* remembered) {
  // Without a display SDL would fall back to its offscreen driver and play the show unseen.
  const char* asked = std::getenv("SDL_VIDEODRIVER");
  const bool driverAsked = asked && *asked;
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const std::string where = std::string("DISPLAY is ") + (display && *display ? display : "not set");
  if (!driverAsked) {
    if (!(display && *display) && !(wayland && *wayland)) {
      failure = "zod: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                "SDL_VIDEODRIVER=offscreen plays the show unseen";
      return;
    }
    // Only the system that is there, so no other one complains on stderr while SDL looks around.
    if (!(wayland && *wayland)) SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
  }
  if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    failure = "zod: no display (" + where + "): " + SDL_GetError();
    return;
  }
  videoStarted = true;
  if (!driverAsked && offscreenDriver(SDL_GetCurrentVideoDriver())) {
    failure = "zod: no display (" + where + "); SDL_VIDEODRIVER=offscreen plays the show unseen";
    return;
  }

  // Full screen too, for the window F11 leads to.
  usedScale = std::max(1, scale);
  SDL_Rect usable{};
  if (SDL_GetDisplayUsableBounds(0, &usable) == 0) {
    const int fits = std::max(1, std::min(usable.w / FRAME_WIDTH, (usable.h - FRAME_ALLOWANCE) / SCREEN_HEIGHT));
    if (usedScale > fits) {
      if (!startFullScreen)
        std::fprintf(stderr, "zod: a %d x %d window does not fit the %d x %d screen; using %d x %d\n",
                     FRAME_WIDTH * usedScale, SCREEN_HEIGHT * usedScale, usable.w, usable.h, FRAME_WIDTH * fits,
                     SCREEN_HEIGHT * fits);
      usedScale = fits;
    }
  }
  int x = SDL_WINDOWPOS_CENTERED;
  int y = SDL_WINDOWPOS_CENTERED;
  int width = FRAME_WIDTH * usedScale;
  int height = SCREEN_HEIGHT * usedScale;
  // A window that no longer fits (a smaller screen since) opens as the scale says.
  const bool roomFor = remembered && remembered->width >= FRAME_WIDTH / 4 && remembered->height >= SCREEN_HEIGHT / 4 &&
                       (usable.w == 0 || (remembered->width <= usable.w && remembered->height <= usable.h));
  if (roomFor) {
    width = remembered->width;
    height = remembered->height;
    if (remembered->positioned && onSomeDisplay(*remembered)) {
      x = remembered->x;
      y = remembered->y;
    }
  }
  window = SDL_CreateWindow(WINDOW_TITLE, x, y, width, height, SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE);
  if (!window) {
    failure = std::string("zod: cannot open a window: ") + SDL_GetError();
    return;
  }
  SDL_SetWindowMinimumSize(window, FRAME_WIDTH / 4, SCREEN_HEIGHT / 4);
  SDL_ShowCursor(SDL_DISABLE);
  noteWindowedPlace();

  watchX11Window(window);
}

SdlWindow::~SdlWindow() {
  if (window && !x11WindowGone()) SDL_DestroyWindow(window);
  if (videoStarted && !x11WindowGone()) SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
}

bool SdlWindow::fullScreen() const {
  return coveringScreen || (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
}

WindowPlace SdlWindow::windowedPlace() const { return lastWindowed; }

void SdlWindow::noteWindowedPlace() {
  if (!window || fullScreen()) return;
  SDL_GetWindowPosition(window, &lastWindowed.x, &lastWindowed.y);
  SDL_GetWindowSize(window, &lastWindowed.width, &lastWindowed.height);
  // SDL reads the picture area's place, but a window manager puts a new window's frame where it is
  // asked: the place kept is the frame's, so the window opens next time where it was.
  int top = 0;
  int left = 0;
  if (SDL_GetWindowBordersSize(window, &top, &left, nullptr, nullptr) == 0) {
    lastWindowed.x -= left;
    lastWindowed.y -= top;
  }
}

bool SdlWindow::setFullScreen(bool wanted) {
  if (!window) return false;
  if (wanted == fullScreen()) return true;
  if (coveringScreen) {
    coveringScreen = false;
    SDL_SetWindowBordered(window, SDL_TRUE);
    SDL_SetWindowSize(window, lastWindowed.width, lastWindowed.height);
    SDL_SetWindowPosition(window, lastWindowed.x, lastWindowed.y);
    return true;
  }
  if (!wanted) return SDL_SetWindowFullscreen(window, 0) == 0;
  noteWindowedPlace();
  if (fullScreenManaged(window)) return SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
  // Nobody would answer SDL's request: the window covers its display by itself, without a border.
  const int index = SDL_GetWindowDisplayIndex(window);
  SDL_Rect bounds;
  if (SDL_GetDisplayBounds(index < 0 ? 0 : index, &bounds) != 0) return false;
  SDL_SetWindowBordered(window, SDL_FALSE);
  SDL_SetWindowPosition(window, bounds.x, bounds.y);
  SDL_SetWindowSize(window, bounds.w, bounds.h);
  SDL_RaiseWindow(window);
  coveringScreen = true;
  return true;
}

namespace {
// The program's key for an SDL key, 0 for one that repeats a cue.
int programKeyOf(SDL_Keycode key, bool shift) {
  switch (key) {
    case SDLK_COMMA: return shift ? KEY_SECOND_BACK : KEY_FRAME_BACK;
    case SDLK_PERIOD: return shift ? KEY_SECOND_FORWARD : KEY_FRAME_FORWARD;
    // Shift with , and . where the layout reports the shifted symbol.
    case SDLK_LESS: return KEY_SECOND_BACK;
    case SDLK_GREATER: return KEY_SECOND_FORWARD;
    case SDLK_o: return KEY_OVERLAYS;
    case SDLK_s: return KEY_STUDY;
    case SDLK_ESCAPE: return KEY_ESCAPE;
    // Space and P pause as well: laptops have no Pause key.
    case SDLK_PAUSE:
    case SDLK_SPACE:
    case SDLK_p: return KEY_PAUSE;
    case SDLK_F12: return KEY_SCREENSHOT;
    case SDLK_LEFT: return KEY_SEEK_BACK;
    case SDLK_RIGHT: return KEY_SEEK_FORWARD;
    // [ and ] for keyboards without Page Up and Page Down.
    case SDLK_PAGEUP:
    case SDLK_LEFTBRACKET: return KEY_PREVIOUS_SCENE;
    case SDLK_PAGEDOWN:
    case SDLK_RIGHTBRACKET: return KEY_NEXT_SCENE;
    case SDLK_HOME: return KEY_FIRST_FRAME;
    case SDLK_END: return KEY_LAST_FRAME;
    // = is + without Shift on US layouts.
    case SDLK_PLUS:
    case SDLK_KP_PLUS:
    case SDLK_EQUALS: return KEY_VOLUME_UP;
    case SDLK_MINUS:
    case SDLK_KP_MINUS: return KEY_VOLUME_DOWN;
    case SDLK_m: return KEY_MUTE;
    case SDLK_i: return KEY_INFORMATION;
    default: return 0;
  }
}

bool repeats(int programKey) {
  return programKey == KEY_ESCAPE || programKey == KEY_SEEK_BACK || programKey == KEY_SEEK_FORWARD ||
         programKey == KEY_PREVIOUS_SCENE || programKey == KEY_NEXT_SCENE || programKey == KEY_VOLUME_UP ||
         programKey == KEY_VOLUME_DOWN || programKey == KEY_FRAME_BACK || programKey == KEY_FRAME_FORWARD ||
         programKey == KEY_SECOND_BACK || programKey == KEY_SECOND_FORWARD;
}
}  // namespace

bool SdlWindow::pollEvent(WindowEvent& event) {
  if (x11WindowGone()) {
    // Once: the loop then finds the quit request and ends.
    if (goneReported) return false;
    goneReported = true;
    event = {WindowEvent::Kind::Destroyed, 0};
    return true;
  }
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    switch (e.type) {
      case SDL_KEYDOWN: {
        const SDL_Keycode key = e.key.keysym.sym;
        const bool alt = (e.key.keysym.mod & KMOD_ALT) != 0;
        if (key == SDLK_F11 || (alt && (key == SDLK_RETURN || key == SDLK_KP_ENTER))) {
          if (!e.key.repeat) setFullScreen(!fullScreen());
          break;
        }
        // Keys pressed with Alt are the system's (menus, Alt+F4), not the show's.
        if (alt || machineKey(e.key.keysym)) break;
        const int programKey = programKeyOf(key, (e.key.keysym.mod & KMOD_SHIFT) != 0);
        // Held down, only the seek and volume keys go on: a pause or a toggle would flicker.
        if (programKey != 0 && e.key.repeat && !repeats(programKey)) break;
        event = {WindowEvent::Kind::KeyDown, programKey != 0 ? programKey : static_cast<int>(key)};
        return true;
      }
      case SDL_QUIT:
        event = {WindowEvent::Kind::Destroyed, 0};
        return true;
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_MOVED || e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
          noteWindowedPlace();
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
          event = {WindowEvent::Kind::Destroyed, 0};
          return true;
        }
        break;
      case SDL_SYSWMEVENT:
        noteX11Event(e);
        if (x11WindowGone() && !goneReported) {
          goneReported = true;
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
