#include "tools/music/Loudness.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>

namespace measure {
namespace {

constexpr double PI = 3.14159265358979323846;
constexpr double ABSOLUTE_GATE = -70.0;

// In-place radix-2 FFT; the size is a power of two.
void fft(std::vector<std::complex<double>>& a) {
  const std::size_t n = a.size();
  for (std::size_t i = 1, j = 0; i < n; ++i) {
    std::size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (std::size_t len = 2; len <= n; len <<= 1) {
    const std::complex<double> step = std::polar(1.0, -2.0 * PI / static_cast<double>(len));
    for (std::size_t start = 0; start < n; start += len) {
      std::complex<double> w = 1.0;
      for (std::size_t k = 0; k < len / 2; ++k) {
        const std::complex<double> u = a[start + k], v = a[start + k + len / 2] * w;
        a[start + k] = u + v;
        a[start + k + len / 2] = u - v;
        w *= step;
      }
    }
  }
}

double besselI0(double x) {
  double sum = 1.0, term = 1.0;
  for (int k = 1; k < 40; ++k) {
    term *= (x / (2.0 * k)) * (x / (2.0 * k));
    sum += term;
  }
  return sum;
}

double percentile(const std::vector<double>& sorted, double p) {
  return sorted[static_cast<std::size_t>(std::lround(p * static_cast<double>(sorted.size() - 1)))];
}

}  // namespace

double loudnessOf(double power) {
  return power > 0 ? -0.691 + 10.0 * std::log10(power) : -std::numeric_limits<double>::infinity();
}

double LoudnessMeter::Biquad::operator()(double x) {
  // Transposed direct form II.
  const double y = b0 * x + z1;
  z1 = b1 * x - a1 * y + z2;
  z2 = b2 * x - a2 * y;
  return y;
}

LoudnessMeter::LoudnessMeter(double sampleRate)
    : rate(sampleRate), subBlockFrames(static_cast<std::size_t>(std::lround(sampleRate / 10.0))) {
  // The K-weighting filter's two stages from their analogue prototypes, so that any sample rate
  // gets the response the 48 kHz coefficients of the standard describe.
  Biquad shelf{}, highPass{};
  {
    const double f0 = 1681.974450955533, gainDb = 3.999843853973347, q = 0.7071752369554196;
    const double k = std::tan(PI * f0 / rate);
    const double vh = std::pow(10.0, gainDb / 20.0), vb = std::pow(vh, 0.4996667741545416);
    const double a0 = 1.0 + k / q + k * k;
    shelf = {(vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
             2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
  }
  {
    const double f0 = 38.13547087602444, q = 0.5003270373238773;
    const double k = std::tan(PI * f0 / rate);
    const double a0 = 1.0 + k / q + k * k;
    highPass = {1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
  }
  for (auto& channel : kWeighting) channel = {shelf, highPass};

  // A Kaiser-windowed sinc of even length: its four phases give the values at 1/8, 3/8, 5/8 and
  // 7/8 of the way between two samples (the samples themselves count as well). Each phase is
  // normalised to unity gain at DC.
  constexpr int taps = TRUE_PEAK_PHASES * TRUE_PEAK_TAPS;
  const double centre = (taps - 1) / 2.0, beta = 6.0;
  for (int n = 0; n < taps; ++n) {
    const double t = (n - centre) / TRUE_PEAK_PHASES;
    const double sinc = t == 0 ? 1.0 : std::sin(PI * t) / (PI * t);
    const double r = (n - centre) / centre;
    interpolator[static_cast<std::size_t>(n)] = sinc * besselI0(beta * std::sqrt(std::max(0.0, 1.0 - r * r))) / besselI0(beta);
  }
  for (int p = 0; p < TRUE_PEAK_PHASES; ++p) {
    double sum = 0;
    for (int k = 0; k < TRUE_PEAK_TAPS; ++k) sum += interpolator[static_cast<std::size_t>(k * TRUE_PEAK_PHASES + p)];
    for (int k = 0; k < TRUE_PEAK_TAPS; ++k) interpolator[static_cast<std::size_t>(k * TRUE_PEAK_PHASES + p)] /= sum;
  }

  window.resize(FFT_SIZE);
  for (std::size_t i = 0; i < FFT_SIZE; ++i)
    window[i] = 0.5 - 0.5 * std::cos(2.0 * PI * static_cast<double>(i) / static_cast<double>(FFT_SIZE));
  fftLeft.assign(FFT_SIZE, 0.0);
  fftRight.assign(FFT_SIZE, 0.0);
  powerSpectrum.assign(FFT_SIZE / 2 + 1, 0.0);
}

void LoudnessMeter::add(const float* interleaved, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const double left = interleaved[2 * i], right = interleaved[2 * i + 1];
    const double kl = kWeighting[0][1](kWeighting[0][0](left));
    const double kr = kWeighting[1][1](kWeighting[1][0](right));
    subBlockSum += kl * kl + kr * kr;
    if (++subBlockFill == subBlockFrames) closeSubBlock();

    samplePeakValue = std::max({samplePeakValue, std::fabs(left), std::fabs(right)});
    // Each value is kept twice, so the last TRUE_PEAK_TAPS values always lie in one run.
    history[0][historyAt] = history[0][historyAt + TRUE_PEAK_TAPS] = left;
    history[1][historyAt] = history[1][historyAt + TRUE_PEAK_TAPS] = right;
    for (int c = 0; c < 2; ++c)
      for (int p = 0; p < TRUE_PEAK_PHASES; ++p) {
        double y = 0;
        const double* x = &history[static_cast<std::size_t>(c)][historyAt + TRUE_PEAK_TAPS];
        for (std::size_t k = 0; k < TRUE_PEAK_TAPS; ++k)
          y += interpolator[k * TRUE_PEAK_PHASES + static_cast<std::size_t>(p)] * *(x - k);
        // Until the filter has seen a full history its output rings from the assumed silence before
        // the first sample; a meter fed a stretch cut out of a piece must not read that as a peak.
        if (frameCount >= TRUE_PEAK_TAPS) peak = std::max(peak, std::fabs(y));
      }
    historyAt = (historyAt + 1) % TRUE_PEAK_TAPS;

    fftLeft[fftFill] = left;
    fftRight[fftFill] = right;
    if (++fftFill == FFT_SIZE) analyseSpectrum();

    midEnergy += (left + right) * (left + right);
    sideEnergy += (left - right) * (left - right);
    leftEnergy += left * left;
    rightEnergy += right * right;
    crossEnergy += left * right;
    ++frameCount;
  }
}

void LoudnessMeter::closeSubBlock() {
  subBlockPowers.push_back(subBlockSum / static_cast<double>(subBlockFrames));
  subBlockSum = 0;
  subBlockFill = 0;
}

void LoudnessMeter::analyseSpectrum() {
  // Both channels in one complex transform: left as the real part, right as the imaginary part.
  std::vector<std::complex<double>> z(FFT_SIZE);
  for (std::size_t i = 0; i < FFT_SIZE; ++i) z[i] = {fftLeft[i] * window[i], fftRight[i] * window[i]};
  fft(z);
  for (std::size_t k = 0; k <= FFT_SIZE / 2; ++k) {
    const std::complex<double> a = z[k], b = std::conj(z[(FFT_SIZE - k) % FFT_SIZE]);
    const std::complex<double> left = 0.5 * (a + b), right = std::complex<double>(0, -0.5) * (a - b);
    powerSpectrum[k] += std::norm(left) + std::norm(right);
  }
  // Half-overlapping frames: keep the second half as the next frame's first.
  std::copy(fftLeft.begin() + FFT_SIZE / 2, fftLeft.end(), fftLeft.begin());
  std::copy(fftRight.begin() + FFT_SIZE / 2, fftRight.end(), fftRight.begin());
  fftFill = FFT_SIZE / 2;
}

std::vector<double> LoudnessMeter::windowPowers(std::size_t subBlocks) const {
  std::vector<double> powers;
  double sum = 0;
  for (std::size_t i = 0; i < subBlockPowers.size(); ++i) {
    sum += subBlockPowers[i];
    if (i >= subBlocks) sum -= subBlockPowers[i - subBlocks];
    if (i + 1 >= subBlocks) powers.push_back(std::max(0.0, sum) / static_cast<double>(subBlocks));
  }
  return powers;
}

double LoudnessMeter::gatedLoudness(const std::vector<double>& blockPowers, double relativeGate) const {
  double sum = 0;
  std::size_t n = 0;
  for (double p : blockPowers)
    if (loudnessOf(p) > ABSOLUTE_GATE) sum += p, ++n;
  if (n == 0) return -std::numeric_limits<double>::infinity();
  const double gate = loudnessOf(sum / static_cast<double>(n)) + relativeGate;
  sum = 0;
  n = 0;
  for (double p : blockPowers)
    if (loudnessOf(p) > ABSOLUTE_GATE && loudnessOf(p) > gate) sum += p, ++n;
  return n ? loudnessOf(sum / static_cast<double>(n)) : -std::numeric_limits<double>::infinity();
}

double LoudnessMeter::integrated() const { return gatedLoudness(windowPowers(4), -10.0); }

double LoudnessMeter::range() const {
  const std::vector<double> powers = windowPowers(30);
  double sum = 0;
  std::size_t n = 0;
  for (double p : powers)
    if (loudnessOf(p) > ABSOLUTE_GATE) sum += p, ++n;
  if (n == 0) return 0;
  const double gate = loudnessOf(sum / static_cast<double>(n)) - 20.0;
  std::vector<double> kept;
  for (double p : powers)
    if (loudnessOf(p) > ABSOLUTE_GATE && loudnessOf(p) > gate) kept.push_back(loudnessOf(p));
  if (kept.empty()) return 0;
  std::sort(kept.begin(), kept.end());
  return percentile(kept, 0.95) - percentile(kept, 0.10);
}

std::vector<double> LoudnessMeter::shortTerm() const {
  std::vector<double> values;
  for (double p : windowPowers(30)) values.push_back(loudnessOf(p));
  return values;
}

double LoudnessMeter::truePeak() const { return 20.0 * std::log10(std::max(peak, samplePeakValue)); }
double LoudnessMeter::samplePeak() const { return 20.0 * std::log10(samplePeakValue); }

double LoudnessMeter::bandEnergy(double fromHz, double toHz) const {
  double inside = 0;
  for (std::size_t k = 0; k < powerSpectrum.size(); ++k) {
    const double hz = static_cast<double>(k) * rate / static_cast<double>(FFT_SIZE);
    if (hz >= fromHz && hz < toHz) inside += powerSpectrum[k];
  }
  return inside;
}

double LoudnessMeter::energyShare(double fromHz, double toHz) const {
  const double total = bandEnergy(0, rate);
  return total > 0 ? bandEnergy(fromHz, toHz) / total : 0;
}

double LoudnessMeter::sideToMid() const {
  return midEnergy > 0 && sideEnergy > 0 ? 10.0 * std::log10(sideEnergy / midEnergy)
                                         : -std::numeric_limits<double>::infinity();
}

double LoudnessMeter::correlation() const {
  return leftEnergy > 0 && rightEnergy > 0 ? crossEnergy / std::sqrt(leftEnergy * rightEnergy) : 0;
}

}  // namespace measure
