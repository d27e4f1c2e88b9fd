#pragma once
// The in-memory halves of the loaders: loadRaw, loadPcx and loadJpeg read the whole file and hand
// its bytes here, and the fuzz targets call these directly. fileName only names the file in
// reports. Same arguments, results and reports as the loaders in image/Loaders.h.
//
// What a broken file leaves in the caller's array:
// - a fault found before any sample is decoded (wrong header, wrong size, no memory) and a JPEG
//   whose data cannot be decoded leave the array untouched;
// - a RAW file or PCX stream that ends early stores every sample it supplies; the samples it does
//   not supply read as 0, so every pixel the picture would cover is written;
// - a PCX with more rows than the array holds stores the rows that fit, nothing beyond.
// Each call reports at most one fault.

#include <cstddef>
#include <cstdint>

#include "render/Pixel.h"

void decodeRaw(const std::uint8_t* data, std::size_t size, Pixel* pixels, int width, int height,
               const char* fileName);
void decodePcx(const std::uint8_t* data, std::size_t size, Pixel* pixels, std::size_t capacityPixels,
               const char* fileName);
void decodeJpeg(const std::uint8_t* data, std::size_t size, Pixel* pixels, int width, int height,
                const char* fileName);
