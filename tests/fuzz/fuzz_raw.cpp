// The RAW decoder on arbitrary bytes. The first two bytes are the caller's width and height as
// signed bytes (so negative sizes come up too); the rest is the file.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/ImageDecoders.h"
#include "tests/fuzz/FuzzQuiet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  silenceFatalReports();
  const int width = static_cast<std::int8_t>(data[0]);
  const int height = static_cast<std::int8_t>(data[1]);
  const std::size_t pixelCount = width > 0 && height > 0 ? static_cast<std::size_t>(width) * height : 0;
  std::vector<Pixel> pixels(pixelCount);
  decodeRaw(data + 2, size - 2, pixels.data(), width, height, "fuzz.raw");
  clearQuitRequest();
  return 0;
}
