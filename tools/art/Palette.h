#pragma once
// The show's one palette: night blues and steel with copper and gold, chosen so that warm
// shapes stand out on the cool textures and the other way round.

#include "Canvas.h"

namespace art::palette {

inline const Rgb NIGHT = rgb(0x070B1C);
inline const Rgb NAVY = rgb(0x13214A);
inline const Rgb DEEP_BLUE = rgb(0x1E3C78);
inline const Rgb STEEL = rgb(0x4C6C92);
inline const Rgb SKY = rgb(0x6FB6E8);
inline const Rgb ICE = rgb(0xC8EEFF);
inline const Rgb WHITE = rgb(0xF6FAFF);
inline const Rgb DARK_COPPER = rgb(0x4A1E0E);
inline const Rgb COPPER = rgb(0xB0562A);
inline const Rgb AMBER = rgb(0xE8962E);
inline const Rgb GOLD = rgb(0xFFD27A);
inline const Rgb CRIMSON = rgb(0xC21E3A);
inline const Rgb DARK_CRIMSON = rgb(0x5A0A1C);
inline const Rgb OUTLINE = rgb(0x0A0F24);  // the dark edge around every keyed shape

// The chrome of all lettering: a sky that brightens towards a horizon line, then a copper
// ground that warms towards the bottom; t runs from the top (0) to the bottom (1) of the ink.
inline Rgb chrome(double t) {
  return gradient({{0.0, DEEP_BLUE},
                   {0.30, SKY},
                   {0.52, WHITE},
                   {0.53, DARK_COPPER},
                   {0.70, COPPER},
                   {0.88, AMBER},
                   {1.0, GOLD}},
                  t);
}

// The title's chrome: the same sky over copper, lighter in the middle tones, with red kept short
// of full scale where it is blue and blue where it is copper, so that the balls and cubes the
// title scene adds over it tint it instead of clipping it to white.
inline Rgb titleChrome(double t) {
  return gradient({{0.0, rgb(0x3C8CE1)},
                   {0.30, rgb(0x64C8FA)},
                   {0.50, rgb(0x9CEEFF)},
                   {0.53, AMBER},
                   {0.70, rgb(0xFAB93C)},
                   {0.88, GOLD},
                   {1.0, GOLD}},
                  t);
}

// A steel ring from ice at the top to deep blue below, and the title's lighter one, whose top
// stays below ice for the same reason as the title's chrome.
inline Rgb steelRing(double t) { return gradient({{0.0, ICE}, {0.5, STEEL}, {1.0, DEEP_BLUE}}, t); }
inline Rgb titleRing(double t) {
  return gradient({{0.0, rgb(0x82DCFA)}, {0.5, rgb(0x64B9F0)}, {1.0, rgb(0x3C7DC8)}}, t);
}

}  // namespace art::palette
