#include <benchmark/benchmark.h>

#include <cmath>
#include <cstddef>
#include <random>
#include <vector>

#include "effects/TunnelEffect.h"
#include "render/ExactMath.h"

namespace {

// Arguments the effects pass per frame: show times up to 1.6e6 ms times an effect's speed.
const std::vector<double>& showArguments() {
  static const std::vector<double> arguments = [] {
    std::vector<double> v(4096);
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> time(0.0, 1.6e6);
    for (double& a : v) a = static_cast<double>(static_cast<float>(time(rng))) * static_cast<double>(0.0015015015f);
    return v;
  }();
  return arguments;
}

// Arguments beyond 2^28, where every call takes the multi-precision reduction.
const std::vector<double>& hugeArguments() {
  static const std::vector<double> arguments = [] {
    std::vector<double> v(256);
    std::mt19937_64 rng(11);
    for (double& a : v)
      a = std::ldexp(1.0 + static_cast<double>(rng() >> 12) * 0x1p-52, static_cast<int>(rng() % 990) + 29);
    return v;
  }();
  return arguments;
}

template <double (*F)(double)>
void unary(benchmark::State& state, const std::vector<double>& arguments) {
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(F(arguments[i]));
    i = (i + 1) % arguments.size();
  }
  state.SetItemsProcessed(state.iterations());
}

double librarySin(double x) { return std::sin(x); }
double libraryCos(double x) { return std::cos(x); }

void BM_ExactSin(benchmark::State& state) { unary<exactSin>(state, showArguments()); }
void BM_LibrarySin(benchmark::State& state) { unary<librarySin>(state, showArguments()); }
void BM_ExactCos(benchmark::State& state) { unary<exactCos>(state, showArguments()); }
void BM_LibraryCos(benchmark::State& state) { unary<libraryCos>(state, showArguments()); }
void BM_ExactSinHuge(benchmark::State& state) { unary<exactSin>(state, hugeArguments()); }
void BM_LibrarySinHuge(benchmark::State& state) { unary<librarySin>(state, hugeArguments()); }
BENCHMARK(BM_ExactSin);
BENCHMARK(BM_LibrarySin);
BENCHMARK(BM_ExactCos);
BENCHMARK(BM_LibraryCos);
BENCHMARK(BM_ExactSinHuge);
BENCHMARK(BM_LibrarySinHuge);

// atan2 over the tunnel's angle table: half-integer offsets from its centre.
template <double (*F)(double, double)>
void tunnelAngles(benchmark::State& state) {
  for (auto _ : state) {
    double sum = 0.0;
    for (int y = 0; y < TunnelEffect::TABLE_HEIGHT; y += 7)
      for (int x = TunnelEffect::TABLE_WIDTH / 2; x < TunnelEffect::TABLE_WIDTH; ++x) sum += F(x - 511.5, y - 279.5);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * ((TunnelEffect::TABLE_HEIGHT + 6) / 7) *
                          (TunnelEffect::TABLE_WIDTH / 2));
}

double libraryAtan2(double y, double x) { return std::atan2(y, x); }

void BM_ExactAtan2(benchmark::State& state) { tunnelAngles<exactAtan2>(state); }
void BM_LibraryAtan2(benchmark::State& state) { tunnelAngles<libraryAtan2>(state); }
BENCHMARK(BM_ExactAtan2);
BENCHMARK(BM_LibraryAtan2);

// The tunnel's whole start-up table fill, 286,720 arc tangents and 143,360 square roots.
void BM_TunnelTables(benchmark::State& state) {
  std::vector<std::int32_t> distance(TunnelEffect::TABLE_ENTRIES);
  std::vector<std::int32_t> angle(TunnelEffect::TABLE_ENTRIES);
  for (auto _ : state) {
    TunnelEffect::fillTables(distance.data(), angle.data());
    benchmark::DoNotOptimize(angle.data());
  }
}
BENCHMARK(BM_TunnelTables)->Unit(benchmark::kMillisecond);

}  // namespace
