#pragma once
// Capture's figures of where the time went read the wall clock; the show itself never does.

#include <chrono>

inline double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
