// The PCX decoder on arbitrary bytes, into an array of eight and a half rows whose end
// AddressSanitizer watches: every header row count, every run and every early end.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/ImageDecoders.h"
#include "tests/fuzz/FuzzQuiet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  silenceFatalReports();
  std::vector<Pixel> pixels(8 * 256 + 128);
  decodePcx(data, size, pixels.data(), pixels.size(), "fuzz.pcx");
  clearQuitRequest();
  return 0;
}
