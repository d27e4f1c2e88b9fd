#pragma once
// The program's quit request: once posted, the main loop takes the messages already queued and
// ends; no further frame is rendered. Safe to post from the main thread at any time.

void postQuitRequest();
bool quitRequested();
// Only for a fresh run inside one process (tests, the lab).
void clearQuitRequest();
