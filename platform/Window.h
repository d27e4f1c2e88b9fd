#pragma once
// What the program needs of a windowing platform: the show's window with the keyboard, one waiting
// event at a time without blocking, and no mouse pointer over it.

inline constexpr int KEY_ESCAPE = 27;
// Keys the program handles itself (platform keys map onto these); they never repeat a cue.
inline constexpr int KEY_PAUSE = -1;
inline constexpr int KEY_SCREENSHOT = -2;
inline constexpr int KEY_SEEK_BACK = -3;
inline constexpr int KEY_SEEK_FORWARD = -4;
inline constexpr int KEY_PREVIOUS_SCENE = -5;
inline constexpr int KEY_NEXT_SCENE = -6;
inline constexpr int KEY_VOLUME_UP = -7;
inline constexpr int KEY_VOLUME_DOWN = -8;
inline constexpr int KEY_MUTE = -9;
inline constexpr int KEY_INFORMATION = -10;
// The study mode's keys: `,` and `.` a frame back and on, with Shift a second; O the overlays.
inline constexpr int KEY_FRAME_BACK = -11;
inline constexpr int KEY_FRAME_FORWARD = -12;
inline constexpr int KEY_SECOND_BACK = -13;
inline constexpr int KEY_SECOND_FORWARD = -14;
inline constexpr int KEY_OVERLAYS = -15;
// S while the live show is paused: the study mode from the moment shown.
inline constexpr int KEY_STUDY = -16;
// Home and End: the study mode's first and last frame of the show.
inline constexpr int KEY_FIRST_FRAME = -17;
inline constexpr int KEY_LAST_FRAME = -18;

// Whether the program handles the key itself rather than letting it repeat a cue.
constexpr bool isProgramKey(int key) { return key < 0; }

struct WindowEvent {
  enum class Kind {
    KeyDown,    // a key-down the show takes, auto-repeats included (modifiers, lock and media keys are the system's)
    Destroyed,  // the window was closed through the system
  };
  Kind kind = Kind::KeyDown;
  int key = 0;  // KEY_ESCAPE, one of the program's keys above, or any other value for some other key
};

// A window's client area on the desktop, in screen pixels.
struct WindowPlace {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  // False: only the size is known, and the window manager chooses where it goes.
  bool positioned = true;
  bool operator==(const WindowPlace&) const = default;
};

class Window {
 public:
  virtual ~Window() = default;
  // Takes one waiting event; false when none waits.
  virtual bool pollEvent(WindowEvent& event) = 0;
  // Gives the window the keyboard focus.
  virtual void focus() = 0;
  // Called in every idle turn so that no mouse pointer shows over the window.
  virtual void hideCursor() = 0;
};
