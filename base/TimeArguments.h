#pragma once
// Show times and frame rates as users type them on the command line.
//
//   time:  "95" or "95.5" (seconds), "1:35", "1:35.5", "1:02:03" (h:m:s), "95s", "95000ms"
//   rate:  "60", "59.94", "60000/1001"

#include <cstdint>
#include <string>

// Microseconds; false for anything else, negative or beyond a day.
bool parseShowTime(const std::string& text, std::int64_t& micros);

// An exact fraction; false for anything else (the range is checked by the caller).
bool parseFrameRate(const std::string& text, std::int64_t& numerator, std::int64_t& denominator);

// "m:ss.mmm" for progress lines and messages.
std::string formatShowTime(double milliseconds);
