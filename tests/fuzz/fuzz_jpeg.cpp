// The JPEG decoder on arbitrary bytes, for a caller that expects 16 x 16 pixels in an array whose
// end AddressSanitizer watches.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/ImageDecoders.h"
#include "tests/fuzz/FuzzQuiet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  silenceFatalReports();
  std::vector<Pixel> pixels(16 * 16);
  decodeJpeg(data, size, pixels.data(), 16, 16, "fuzz.jpg");
  clearQuitRequest();
  return 0;
}
