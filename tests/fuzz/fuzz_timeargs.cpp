// The --start/--end times and the --fps rate on arbitrary text. An accepted time lies within a day
// and reads back from its own display form; an accepted rate is a positive fraction in lowest terms.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <numeric>
#include <string>

#include "base/TimeArguments.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  std::int64_t micros = -1;
  if (parseShowTime(text, micros)) {
    if (micros < 0 || micros > 24LL * 3600 * 1000000) std::abort();
    const std::int64_t millis = micros / 1000;
    std::int64_t again = -1;
    if (!parseShowTime(formatShowTime(static_cast<double>(millis)), again) || again != millis * 1000) std::abort();
  }

  std::int64_t numerator = 0;
  std::int64_t denominator = 0;
  if (parseFrameRate(text, numerator, denominator)) {
    if (numerator <= 0 || denominator <= 0 || std::gcd(numerator, denominator) != 1) std::abort();
  }
  return 0;
}
