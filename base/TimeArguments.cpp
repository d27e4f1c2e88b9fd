#include "base/TimeArguments.h"

#include <cstdio>
#include <numeric>
#include <vector>

namespace {
constexpr std::int64_t MICROS_PER_DAY = 24LL * 3600 * 1000000;

// A decimal number with up to six fractional digits, as millionths.
bool parseMillionths(const std::string& text, std::int64_t& value) {
  if (text.empty()) return false;
  std::int64_t whole = 0;
  std::int64_t fraction = 0;
  int fractionDigits = 0;
  bool point = false;
  bool digits = false;
  for (char c : text) {
    if (c == '.' && !point) {
      point = true;
    } else if (c >= '0' && c <= '9') {
      digits = true;
      if (point) {
        if (fractionDigits == 6) return false;
        fraction = fraction * 10 + (c - '0');
        ++fractionDigits;
      } else {
        whole = whole * 10 + (c - '0');
        if (whole > MICROS_PER_DAY) return false;
      }
    } else {
      return false;
    }
  }
  if (!digits) return false;
  for (int i = fractionDigits; i < 6; ++i) fraction *= 10;
  value = whole * 1000000 + fraction;
  return true;
}

bool endsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}
}  // namespace

bool parseShowTime(const std::string& text, std::int64_t& micros) {
  std::int64_t value = 0;
  if (endsWith(text, "ms")) {
    if (!parseMillionths(text.substr(0, text.size() - 2), value)) return false;
    value /= 1000;
  } else if (endsWith(text, "s")) {
    if (!parseMillionths(text.substr(0, text.size() - 1), value)) return false;
  } else {
    std::vector<std::string> parts{""};
    for (char c : text) {
      if (c == ':')
        parts.emplace_back();
      else
        parts.back() += c;
    }
    if (parts.size() > 3) return false;
    for (std::size_t i = 0; i < parts.size(); ++i) {
      std::int64_t part = 0;
      if (!parseMillionths(parts[i], part)) return false;
      const bool last = i + 1 == parts.size();
      // Only the seconds may have a fraction; minutes and seconds after a colon stay below 60.
      if (!last && part % 1000000 != 0) return false;
      if (i > 0 && part >= 60 * 1000000LL) return false;
      value = value * 60 + part;
      if (value > MICROS_PER_DAY) return false;
    }
  }
  if (value > MICROS_PER_DAY) return false;
  micros = value;
  return true;
}

bool parseFrameRate(const std::string& text, std::int64_t& numerator, std::int64_t& denominator) {
  const std::size_t slash = text.find('/');
  if (slash != std::string::npos) {
    std::int64_t top = 0;
    std::int64_t bottom = 0;
    const std::string a = text.substr(0, slash);
    const std::string b = text.substr(slash + 1);
    if (a.find('.') != std::string::npos || b.find('.') != std::string::npos) return false;
    if (!parseMillionths(a, top) || !parseMillionths(b, bottom) || bottom == 0) return false;
    numerator = top / 1000000;
    denominator = bottom / 1000000;
  } else {
    std::int64_t millionths = 0;
    if (!parseMillionths(text, millionths) || millionths == 0) return false;
    numerator = millionths;
    denominator = 1000000;
    // 59.94, 29.97, 23.976 and the like name the television rates N x 1000/1001, given to as many
    // decimals as the text has.
    const std::size_t point = text.find('.');
    const std::size_t decimals = point == std::string::npos ? 0 : text.size() - point - 1;
    // Rates beyond a million frames a second are no television rate (and the range check refuses
    // them); the bound also keeps the integer arithmetic below from overflowing.
    if (decimals >= 2 && millionths < 1000000LL * 1000000) {
      const std::int64_t whole = (millionths * 1001 + 500000000) / 1000000000;
      std::int64_t scale = 1;
      for (std::size_t i = 0; i < decimals; ++i) scale *= 10;
      // N x 1000/1001 rounded to the text's decimals, in integers.
      const std::int64_t rounded = (2 * whole * 1000 * scale + 1001) / (2 * 1001);
      if (whole > 0 && rounded * (1000000 / scale) == millionths) {
        numerator = whole * 1000;
        denominator = 1001;
      }
    }
  }
  const std::int64_t common = std::gcd(numerator, denominator);
  numerator /= common;
  denominator /= common;
  return numerator > 0;
}

std::string formatShowTime(double milliseconds) {
  if (milliseconds < 0) milliseconds = 0;
  const auto total = static_cast<long long>(milliseconds);
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld.%03lld", total / 60000, total / 1000 % 60, total % 1000);
  return text;
}
