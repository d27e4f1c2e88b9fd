#pragma once
// Image loaders: fill a caller's array of 0x00RRGGBB pixels, rows top first, no padding.
// File names are resolved with assetPath(). Every failure is reported through showFatal and the
// loader returns; nothing is ever written outside the caller's array. What a broken file leaves in
// the array is listed in image/ImageDecoders.h.

#include <cstddef>

#include "render/Pixel.h"

// Headerless RGB triplets, width x height of them.
void loadRaw(Pixel* pixels, const char* fileName, int width, int height);
// A three-component JPEG of exactly width x height.
void loadJpeg(Pixel* pixels, const char* fileName, int width, int height);
// Every PCX picture is this many pixels wide (its plane lines are as many bytes), whatever its rows.
inline constexpr int PCX_WIDTH = 256;
// A 24-bit three-plane run-length PCX with PCX_WIDTH-byte plane lines; rows come from the header.
// capacityPixels is the size of the caller's array in pixels: rows beyond it are not stored.
void loadPcx(Pixel* pixels, const char* fileName, std::size_t capacityPixels);
