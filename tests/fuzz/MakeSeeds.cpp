// Writes the seed inputs of the fuzz targets: small files made to reach each branch of the
// decoders (good pictures, runs across line ends, early ends, wrong headers and sizes).
// Usage: make_fuzz_seeds <seeds directory>
#include <turbojpeg.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
std::filesystem::path seedRoot;

void write(const std::string& target, const std::string& name, const Bytes& bytes) {
  std::filesystem::create_directories(seedRoot / target);
  std::ofstream out(seedRoot / target / name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes pcxHeader(int yMin, int yMax, int bytesPerLine) {
  Bytes header(128, 0);
  header[0] = 0x0A;
  header[1] = 5;
  header[2] = 1;
  header[3] = 8;
  header[6] = static_cast<std::uint8_t>(yMin);
  header[7] = static_cast<std::uint8_t>(yMin >> 8);
  header[8] = 255;
  header[10] = static_cast<std::uint8_t>(yMax);
  header[11] = static_cast<std::uint8_t>(yMax >> 8);
  header[65] = 3;
  header[66] = static_cast<std::uint8_t>(bytesPerLine);
  header[67] = static_cast<std::uint8_t>(bytesPerLine >> 8);
  return header;
}

// One scan line of 768 samples: a few single samples, a count-0 run, then runs of 63 and a tail.
void appendScanLine(Bytes& out, std::uint8_t shade) {
  out.insert(out.end(), {0x05, shade, 0xC1, 0xC5, 0xC0, 0x99});
  int produced = 3;
  while (produced + 63 <= 768) {
    out.insert(out.end(), {0xFF, static_cast<std::uint8_t>(shade + produced)});
    produced += 63;
  }
  while (produced++ < 768) out.push_back(0x10);
}

void pcxSeeds() {
  Bytes oneRow = pcxHeader(0, 0, 256);
  appendScanLine(oneRow, 0x20);
  write("fuzz_pcx", "one_row.pcx", oneRow);

  Bytes overshoot = pcxHeader(7, 8, 256);
  appendScanLine(overshoot, 0x30);
  overshoot.insert(overshoot.end(), {0xFF, 0x44});  // 63 samples past the end of the first scan line
  appendScanLine(overshoot, 0x40);
  write("fuzz_pcx", "overshoot.pcx", overshoot);

  Bytes tall = pcxHeader(0, 9, 256);
  for (int row = 0; row < 10; ++row) appendScanLine(tall, static_cast<std::uint8_t>(row * 9));
  write("fuzz_pcx", "tall.pcx", tall);

  Bytes truncated = pcxHeader(0, 1, 256);
  appendScanLine(truncated, 0x50);
  truncated.insert(truncated.end(), {0x01, 0xC4});
  write("fuzz_pcx", "truncated.pcx", truncated);

  Bytes narrow = pcxHeader(0, 0, 255);
  appendScanLine(narrow, 0x60);
  write("fuzz_pcx", "narrow.pcx", narrow);
}

void rawSeeds() {
  Bytes good = {7, 5};
  for (int i = 0; i < 7 * 5 * 3; ++i) good.push_back(static_cast<std::uint8_t>(i * 11));
  write("fuzz_raw", "good.raw", good);
  Bytes shortFile = {4, 4};
  for (int i = 0; i < 20; ++i) shortFile.push_back(static_cast<std::uint8_t>(0xF0 + i));
  write("fuzz_raw", "short.raw", shortFile);
  write("fuzz_raw", "negative.raw", {0xFE, 3, 1, 2, 3, 4, 5, 6});
}

Bytes compress(int width, int height, int pixelFormat, int subsampling, int flags) {
  const int channels = pixelFormat == TJPF_GRAY ? 1 : 3;
  Bytes samples;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < channels; ++c) samples.push_back(static_cast<std::uint8_t>(x * 16 + y * 5 + c * 70));
    }
  }
  tjhandle compressor = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  if (tjCompress2(compressor, samples.data(), width, 0, height, pixelFormat, &out, &size, subsampling, 90,
                  flags) != 0) {
    std::fprintf(stderr, "%s\n", tjGetErrorStr2(compressor));
  }
  Bytes bytes(out, out + size);
  tjFree(out);
  tjDestroy(compressor);
  return bytes;
}

void jpegSeeds() {
  write("fuzz_jpeg", "colour444.jpg", compress(16, 16, TJPF_BGR, TJSAMP_444, 0));
  write("fuzz_jpeg", "colour420.jpg", compress(16, 16, TJPF_BGR, TJSAMP_420, 0));
  write("fuzz_jpeg", "progressive.jpg", compress(16, 16, TJPF_BGR, TJSAMP_444, TJFLAG_PROGRESSIVE));
  write("fuzz_jpeg", "grey.jpg", compress(16, 16, TJPF_GRAY, TJSAMP_GRAY, 0));
  write("fuzz_jpeg", "other_size.jpg", compress(8, 24, TJPF_BGR, TJSAMP_444, 0));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_fuzz_seeds <seeds directory>\n");
    return 2;
  }
  seedRoot = argv[1];
  pcxSeeds();
  rawSeeds();
  jpegSeeds();
  return 0;
}
