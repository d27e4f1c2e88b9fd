#include "imagefiles/ImageFiles.h"

#include <png.h>
#include <turbojpeg.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

#include "image/PngFile.h"

namespace imagefiles {

namespace {

void checkSize(int width, int height, const char* format) {
  if (width <= 0 || height <= 0 || width > 65535 || height > 65535) {
    throw std::runtime_error(std::string(format) + ": picture size out of range");
  }
}

std::uint8_t red(std::uint32_t p) { return static_cast<std::uint8_t>(p >> 16); }
std::uint8_t green(std::uint32_t p) { return static_cast<std::uint8_t>(p >> 8); }
std::uint8_t blue(std::uint32_t p) { return static_cast<std::uint8_t>(p); }

Bytes rgbTriplets(const std::uint32_t* pixels, int width, int height) {
  Bytes out;
  out.reserve(static_cast<std::size_t>(width) * height * 3);
  for (std::size_t i = 0, n = static_cast<std::size_t>(width) * height; i < n; ++i) {
    out.push_back(red(pixels[i]));
    out.push_back(green(pixels[i]));
    out.push_back(blue(pixels[i]));
  }
  return out;
}

void putLittle16(Bytes& out, std::size_t at, int value) {
  out[at] = static_cast<std::uint8_t>(value & 0xFF);
  out[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

// Runs of up to 63 equal bytes become a count byte 0xC0 | n and the value; a lone byte below
// 0xC0 stands for itself, a lone byte from 0xC0 up needs a run of one.
void encodePcxLine(Bytes& out, const std::uint8_t* line, int length) {
  int i = 0;
  while (i < length) {
    const std::uint8_t value = line[i];
    int run = 1;
    while (i + run < length && run < 63 && line[i + run] == value) ++run;
    if (run > 1 || value >= 0xC0) {
      out.push_back(static_cast<std::uint8_t>(0xC0 | run));
    }
    out.push_back(value);
    i += run;
  }
}

struct TjDeleter {
  void operator()(void* handle) const { tjDestroy(handle); }
};

}  // namespace

Bytes encodeRaw(const std::uint32_t* pixels, int width, int height) {
  checkSize(width, height, "RAW");
  return rgbTriplets(pixels, width, height);
}

Bytes encodePcx(const std::uint32_t* pixels, int width, int height) {
  checkSize(width, height, "PCX");
  if (width > PCX_BYTES_PER_LINE) throw std::runtime_error("PCX: wider than a 256-byte plane line");

  Bytes out(128, 0);
  out[0] = 10;  // ZSoft
  out[1] = 5;   // version 3.0 and later, 24-bit capable
  out[2] = 1;   // run-length encoding
  out[3] = 8;   // bits per sample and plane
  putLittle16(out, 4, 0);
  putLittle16(out, 6, 0);
  putLittle16(out, 8, width - 1);
  putLittle16(out, 10, height - 1);
  putLittle16(out, 12, 72);  // dots per inch, informative only
  putLittle16(out, 14, 72);
  out[65] = 3;  // planes
  putLittle16(out, 66, PCX_BYTES_PER_LINE);
  putLittle16(out, 68, 1);  // palette information: colour
  putLittle16(out, 70, width);
  putLittle16(out, 72, height);

  std::uint8_t plane[3][PCX_BYTES_PER_LINE];
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < PCX_BYTES_PER_LINE; ++x) {
      const std::uint32_t p = x < width ? pixels[static_cast<std::size_t>(y) * width + x] : 0;
      plane[0][x] = red(p);
      plane[1][x] = green(p);
      plane[2][x] = blue(p);
    }
    for (const auto& line : plane) encodePcxLine(out, line, PCX_BYTES_PER_LINE);
  }
  return out;
}

Bytes encodeJpeg(const std::uint32_t* pixels, int width, int height) {
  checkSize(width, height, "JPEG");
  const Bytes rgb = rgbTriplets(pixels, width, height);
  std::unique_ptr<void, TjDeleter> handle(tjInitCompress());
  if (!handle) throw std::runtime_error("JPEG: cannot create the compressor");
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  const int result = tjCompress2(handle.get(), rgb.data(), width, width * 3, height, TJPF_RGB, &jpeg, &size,
                                 TJSAMP_444, JPEG_QUALITY, TJFLAG_ACCURATEDCT);
  if (result != 0) {
    if (jpeg) tjFree(jpeg);
    throw std::runtime_error(std::string("JPEG: ") + tjGetErrorStr2(handle.get()));
  }
  Bytes out(jpeg, jpeg + size);
  tjFree(jpeg);
  return out;
}

void writeFile(const std::string& path, const Bytes& bytes) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
  if (!file) throw std::runtime_error("cannot create " + path);
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
    throw std::runtime_error("cannot write " + path);
  }
  if (std::fclose(file.release()) != 0) throw std::runtime_error("cannot finish " + path);
}

namespace {
void checkPixels(const std::vector<std::uint32_t>& pixels, int width, int height) {
  if (width <= 0 || height <= 0 || pixels.size() < static_cast<std::size_t>(width) * height) {
    throw std::runtime_error("fewer pixels than width x height");
  }
}
}  // namespace

void writeRaw(const std::string& path, const std::vector<std::uint32_t>& pixels, int width, int height) {
  checkPixels(pixels, width, height);
  writeFile(path, encodeRaw(pixels.data(), width, height));
}
void writePcx(const std::string& path, const std::vector<std::uint32_t>& pixels, int width, int height) {
  checkPixels(pixels, width, height);
  writeFile(path, encodePcx(pixels.data(), width, height));
}
void writeJpeg(const std::string& path, const std::vector<std::uint32_t>& pixels, int width, int height) {
  checkPixels(pixels, width, height);
  writeFile(path, encodeJpeg(pixels.data(), width, height));
}
void writePng(const std::string& path, const std::vector<std::uint32_t>& pixels, int width, int height) {
  checkPixels(pixels, width, height);
  checkSize(width, height, "PNG");
  if (!writePngFile(path, pixels.data(), width, height)) throw std::runtime_error("cannot write " + path);
}

namespace {
// libpng reports a failure by jumping back to encodeRgba, which owns nothing that needs destroying.
[[noreturn]] void abandonPng(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void ignorePngWarning(png_structp, png_const_charp) {}

bool encodeRgba(std::FILE* file, const Bytes& rgba, int width, int height) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, &abandonPng, &ignorePngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool ok = png && info;
  if (ok && setjmp(png_jmpbuf(png))) ok = false;
  if (ok) {
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) png_write_row(png, rgba.data() + static_cast<std::size_t>(y) * width * 4);
    png_write_end(png, nullptr);
  }
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  return ok;
}
}  // namespace

void writePngWithAlpha(const std::string& path, const std::vector<std::uint32_t>& pixels, int width, int height) {
  checkPixels(pixels, width, height);
  checkSize(width, height, "PNG");
  Bytes rgba;
  rgba.reserve(static_cast<std::size_t>(width) * height * 4);
  for (std::size_t i = 0, n = static_cast<std::size_t>(width) * height; i < n; ++i) {
    rgba.insert(rgba.end(),
                {red(pixels[i]), green(pixels[i]), blue(pixels[i]), static_cast<std::uint8_t>(pixels[i] >> 24)});
  }
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
  if (!file) throw std::runtime_error("cannot create " + path);
  if (!encodeRgba(file.get(), rgba, width, height)) throw std::runtime_error("cannot write " + path);
  if (std::fclose(file.release()) != 0) throw std::runtime_error("cannot finish " + path);
}

}  // namespace imagefiles
