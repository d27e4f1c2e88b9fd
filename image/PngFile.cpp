#include "image/PngFile.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "base/TemporaryName.h"
#include "base/WriteFailure.h"

namespace {
// A failed write ends the encoding quietly; the caller says what went wrong.
[[noreturn]] void abandon(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void ignore(png_structp, png_const_charp) {}

bool encode(std::FILE* file, const Pixel* pixels, int width, int height) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, &abandon, &ignore);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  std::vector<png_byte> row(static_cast<std::size_t>(width) * 3);
  bool ok = png && info;
  if (ok && setjmp(png_jmpbuf(png))) ok = false;
  if (ok) {
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const Pixel p = pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
        row[3 * static_cast<std::size_t>(x) + 0] = static_cast<png_byte>(p >> 16);
        row[3 * static_cast<std::size_t>(x) + 1] = static_cast<png_byte>(p >> 8);
        row[3 * static_cast<std::size_t>(x) + 2] = static_cast<png_byte>(p);
      }
      png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
  }
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  return ok;
}
}  // namespace

bool writePngFile(const std::string& path, const Pixel* pixels, int width, int height, std::string* why) {
  const std::string temporary = temporaryNameBeside(path);
  errno = 0;
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) {
    if (why) *why = writeFailureCause(errno);
    return false;
  }
  const bool encoded = encode(file, pixels, width, height);
  int error = encoded ? 0 : errno;
  const bool closed = std::fclose(file) == 0;
  if (!closed && error == 0) error = errno;
  std::error_code failure;
  if (encoded && closed) std::filesystem::rename(temporary, path, failure);
  if (failure) error = failure.value();
  if (!encoded || !closed || failure) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    if (why) *why = writeFailureCause(error);
    return false;
  }
  return true;
}
