#pragma once
// What SDL cannot tell about the X desktop. Kept apart from the rest of the platform because
// Xlib's names clash with ours.

struct SDL_Window;

// Whether a window manager runs that puts windows in full screen when asked (true on video
// systems other than X11). Without one, as in a kiosk or a bare X session, nobody answers SDL's
// full-screen request and the window has to cover the screen itself.
bool fullScreenManaged(SDL_Window* window);
