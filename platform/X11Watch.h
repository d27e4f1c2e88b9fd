#pragma once
// A window destroyed by someone else (xdotool windowclose, a crashed window manager) makes every
// later drawing call fail (BadWindow, BadDrawable, GLXBadDrawable), and Xlib's default handler would end the
// process with 1. These catch that on X11, so the program can treat it as the window being closed.
// Kept apart from the rest of the platform because Xlib's names clash with ours.

union SDL_Event;
struct SDL_Window;

// Starts watching the window (nothing happens on other video systems).
void watchX11Window(SDL_Window* window);
// Looks at an SDL_SYSWMEVENT for the window's destruction.
void noteX11Event(const SDL_Event& event);
bool x11WindowGone();
