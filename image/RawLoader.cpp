#include <cstdint>
#include <limits>

#include "base/FileBytes.h"
#include "image/ImageDecoders.h"
#include "image/LoaderFaults.h"
#include "image/Loaders.h"

namespace {

// Bytes a width x height picture takes, or 0 for an empty or impossible size. Computed in 64 bits
// because width x height x 3 overflows an int for sizes no caller means.
std::uint64_t rawBytesFor(int width, int height) {
  if (width <= 0 || height <= 0) return 0;
  return 3u * static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
}

}  // namespace

void decodeRaw(const std::uint8_t* data, std::size_t size, Pixel* pixels, int width, int height,
               const char* fileName) {
  if (width < 0 || height < 0) {
    reportBadSize(fileName, width, height);
    return;
  }
  const std::uint64_t needed = rawBytesFor(width, height);
  const std::uint64_t pixelCount = needed / 3;
  if (size >= needed) {
    for (std::uint64_t i = 0; i < pixelCount; ++i) {
      const std::uint8_t* triplet = data + 3 * i;
      pixels[i] = (Pixel{triplet[0]} << 16) | (Pixel{triplet[1]} << 8) | Pixel{triplet[2]};
    }
    return;
  }
  reportTooShort(fileName);
  auto sample = [&](std::uint64_t at) -> Pixel { return at < size ? data[at] : 0; };
  for (std::uint64_t i = 0; i < pixelCount; ++i) {
    pixels[i] = (sample(3 * i) << 16) | (sample(3 * i + 1) << 8) | sample(3 * i + 2);
  }
}

void loadRaw(Pixel* pixels, const char* fileName, int width, int height) {
  const std::uint64_t needed = rawBytesFor(width, height);
  const std::size_t maxBytes = needed > std::numeric_limits<std::size_t>::max()
                                   ? std::numeric_limits<std::size_t>::max()
                                   : static_cast<std::size_t>(needed);
  FileBytes file;
  if (!readAsset(fileName, maxBytes, file)) return;
  decodeRaw(file.data.get(), file.size, pixels, width, height, fileName);
}
