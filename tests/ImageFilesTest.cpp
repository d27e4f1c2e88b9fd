#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "imagefiles/ImageFiles.h"

namespace {

using imagefiles::Bytes;

std::vector<std::uint32_t> gradient(int width, int height) {
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      // A flat band (long runs), a ramp through 0xC0..0xFF, and noise-like mixing.
      const std::uint32_t r = y < height / 2 ? 0xC8u : static_cast<std::uint32_t>(x & 0xFF);
      const std::uint32_t g = static_cast<std::uint32_t>((x * 7 + y * 13) & 0xFF);
      const std::uint32_t b = static_cast<std::uint32_t>(0xF0 + (x / 64) % 16);
      pixels[static_cast<std::size_t>(y) * width + x] = (r << 16) | (g << 8) | b;
    }
  }
  return pixels;
}

int little16(const Bytes& b, std::size_t at) { return b[at] | (b[at + 1] << 8); }

// Decodes one plane line and fails if a run would reach past its end.
bool decodePlaneLine(const Bytes& file, std::size_t& pos, std::uint8_t* line) {
  int filled = 0;
  while (filled < imagefiles::PCX_BYTES_PER_LINE) {
    if (pos >= file.size()) return false;
    std::uint8_t code = file[pos++];
    int count = 1;
    if ((code & 0xC0) == 0xC0) {
      count = code & 0x3F;
      if (pos >= file.size()) return false;
      code = file[pos++];
    }
    if (filled + count > imagefiles::PCX_BYTES_PER_LINE) return false;
    for (int i = 0; i < count; ++i) line[filled++] = code;
  }
  return true;
}

std::string tempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("zod-imagefiles-" + std::to_string(getpid()) + "-" + name)).string();
}

bool haveTool(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

std::string runAndRead(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    pclose(pipe);
  }
  return output;
}

TEST(RawWriter, WritesRedGreenBlueTriplets) {
  const std::vector<std::uint32_t> pixels = {0x00102030, 0x00A0B0C0};
  EXPECT_EQ(imagefiles::encodeRaw(pixels.data(), 2, 1), (Bytes{0x10, 0x20, 0x30, 0xA0, 0xB0, 0xC0}));
}

TEST(PcxWriter, HeaderDescribesA24BitThreePlanePicture) {
  const auto pixels = gradient(200, 37);
  const Bytes file = imagefiles::encodePcx(pixels.data(), 200, 37);
  ASSERT_GE(file.size(), 128u);
  EXPECT_EQ(file[0], 10);
  EXPECT_EQ(file[1], 5);
  EXPECT_EQ(file[2], 1);
  EXPECT_EQ(file[3], 8);
  EXPECT_EQ(little16(file, 4), 0);
  EXPECT_EQ(little16(file, 6), 0);
  EXPECT_EQ(little16(file, 8), 199);
  EXPECT_EQ(little16(file, 10), 36);
  EXPECT_EQ(file[64], 0);
  EXPECT_EQ(file[65], 3);
  EXPECT_EQ(little16(file, 66), 256);
  EXPECT_EQ(little16(file, 68), 1);
  for (std::size_t i = 74; i < 128; ++i) EXPECT_EQ(file[i], 0) << "filler byte " << i;
}

TEST(PcxWriter, EveryPlaneLineDecodesOnItsOwnToThePixels) {
  const int width = 256, height = 40;
  const auto pixels = gradient(width, height);
  const Bytes file = imagefiles::encodePcx(pixels.data(), width, height);
  std::size_t pos = 128;
  for (int y = 0; y < height; ++y) {
    std::uint8_t planes[3][256];
    for (auto& line : planes) ASSERT_TRUE(decodePlaneLine(file, pos, line)) << "row " << y;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p = pixels[static_cast<std::size_t>(y) * width + x];
      ASSERT_EQ(planes[0][x], (p >> 16) & 0xFF);
      ASSERT_EQ(planes[1][x], (p >> 8) & 0xFF);
      ASSERT_EQ(planes[2][x], p & 0xFF);
    }
  }
  EXPECT_EQ(pos, file.size());
}

TEST(PcxWriter, NarrowPicturesArePaddedWithZeroBytes) {
  const std::vector<std::uint32_t> pixels(3, 0x00C1C2C3);
  const Bytes file = imagefiles::encodePcx(pixels.data(), 3, 1);
  std::size_t pos = 128;
  std::uint8_t line[256];
  ASSERT_TRUE(decodePlaneLine(file, pos, line));
  EXPECT_EQ(line[0], 0xC1);
  EXPECT_EQ(line[2], 0xC1);
  EXPECT_EQ(line[3], 0);
  EXPECT_EQ(line[255], 0);
}

TEST(JpegWriter, IsDeterministicAndDecodesCloseToTheSource) {
  const int size = 64;
  const auto pixels = gradient(size, size);
  const Bytes first = imagefiles::encodeJpeg(pixels.data(), size, size);
  EXPECT_EQ(first, imagefiles::encodeJpeg(pixels.data(), size, size));

  tjhandle handle = tjInitDecompress();
  int width = 0, height = 0, subsampling = -1, colourspace = -1;
  ASSERT_EQ(tjDecompressHeader3(handle, first.data(), first.size(), &width, &height, &subsampling, &colourspace), 0);
  EXPECT_EQ(width, size);
  EXPECT_EQ(height, size);
  EXPECT_EQ(subsampling, TJSAMP_444);
  std::vector<unsigned char> rgb(static_cast<std::size_t>(size) * size * 3);
  ASSERT_EQ(tjDecompress2(handle, first.data(), first.size(), rgb.data(), size, 0, size, TJPF_RGB, 0), 0);
  tjDestroy(handle);
  long error = 0;
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    error += std::abs(rgb[3 * i] - static_cast<int>((pixels[i] >> 16) & 0xFF));
  }
  EXPECT_LT(static_cast<double>(error) / pixels.size(), 6.0);
}

// ImageMagick reads what we write; it is an independent reader of all three formats.
TEST(ImageFilesIndependentReader, ImageMagickReadsPcxAndPngPixelForPixel) {
  if (!haveTool("convert")) GTEST_SKIP() << "ImageMagick is not installed";
  const int width = 256, height = 24;
  const auto pixels = gradient(width, height);
  Bytes expected = imagefiles::encodeRaw(pixels.data(), width, height);
  for (const char* format : {"pcx", "png"}) {
    const std::string path = tempPath(std::string("reader.") + format);
    if (std::string(format) == "pcx") imagefiles::writePcx(path, pixels, width, height);
    else imagefiles::writePng(path, pixels, width, height);
    const std::string dims = runAndRead("identify -format '%w %h' '" + path + "' 2>/dev/null");
    EXPECT_EQ(dims, "256 24") << format;
    const std::string rgb = runAndRead("convert '" + path + "' -depth 8 rgb:- 2>/dev/null");
    EXPECT_TRUE(Bytes(rgb.begin(), rgb.end()) == expected) << format << " decoded differently";
    std::filesystem::remove(path);
  }
}

TEST(ImageFilesIndependentReader, ImageMagickSeesAThreeChannelJpeg) {
  if (!haveTool("identify")) GTEST_SKIP() << "ImageMagick is not installed";
  const auto pixels = gradient(32, 16);
  const std::string path = tempPath("reader.jpg");
  imagefiles::writeJpeg(path, pixels, 32, 16);
  EXPECT_EQ(runAndRead("identify -format '%m %w %h %[colorspace]' '" + path + "' 2>/dev/null"), "JPEG 32 16 sRGB");
  std::filesystem::remove(path);
}

}  // namespace
