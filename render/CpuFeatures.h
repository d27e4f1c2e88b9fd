#pragma once
// What the processor running the program can do, for the paths chosen at run time. Asked once:
// the answer does not change while the program runs.

#if defined(ZOD_AVX2_PATHS)
// Marks a function compiled for AVX2; only called where processorHasAvx2() says so.
#define ZOD_AVX2_TARGET __attribute__((target("avx2")))

inline bool processorHasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}
#endif
