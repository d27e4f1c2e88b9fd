#pragma once
// Writers for the picture formats of the show: headerless RGB, 24-bit three-plane PCX and
// baseline JPEG, plus PNG for review sheets (through the program's own PNG writer). Pixels are 0x00RRGGBB words, rows top first.
// Every encoder is deterministic: the same pixels give the same bytes on every machine.
// Failures (bad sizes, a file that cannot be written) throw std::runtime_error.

#include <cstdint>
#include <string>
#include <vector>

namespace imagefiles {

using Bytes = std::vector<std::uint8_t>;

// Every PCX plane line is this long; narrower pictures are padded with zero bytes.
inline constexpr int PCX_BYTES_PER_LINE = 256;
// Fixed so that the JPEG files never change between builds.
inline constexpr int JPEG_QUALITY = 94;

// Red, green, blue byte triplets, width x height of them, nothing else.
Bytes encodeRaw(const std::uint32_t* pixels, int width, int height);

// ZSoft PCX version 5, 8 bits, 3 planes (red, green, blue), run-length encoded, 256-byte plane
// lines; width 1..256. Each plane line is encoded on its own, so no run crosses into the next.
Bytes encodePcx(const std::uint32_t* pixels, int width, int height);

// Baseline JPEG, three components, 4:4:4, accurate integer DCT, quality JPEG_QUALITY.
Bytes encodeJpeg(const std::uint32_t* pixels, int width, int height);

// 8-bit RGB PNG without time or text chunks.

void writeFile(const std::string& path, const Bytes& bytes);

// The same, written to a file; pixels must hold at least width x height words.
void writeRaw(const std::string& path, const std::vector<std::uint32_t>& pixels, int width, int height);
void writePcx(const std::string& path, const std::vector<std::uint32_t>& pixels, int width, int height);
void writeJpeg(const std::string& path, const std::vector<std::uint32_t>& pixels, int width, int height);
void writePng(const std::string& path, const std::vector<std::uint32_t>& pixels, int width, int height);
// 8-bit RGBA PNG of 0xAARRGGBB words (straight alpha), for the program's icon.
void writePngWithAlpha(const std::string& path, const std::vector<std::uint32_t>& pixels, int width, int height);

}  // namespace imagefiles
