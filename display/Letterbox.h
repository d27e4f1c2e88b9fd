#pragma once
// The 512 x 384 screen as the display shows it, for pictures of it (screenshots, stills): the
// frame's 280 rows 52 rows down, black above and below.

#include "render/Pixel.h"

// `screen` holds SCREEN_PIXELS pixels; every one is written.
void screenAsShown(const Pixel* frame, Pixel* screen);
