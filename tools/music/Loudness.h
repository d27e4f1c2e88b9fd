#pragma once
// Measures rendered stereo music the way a mastering engineer would: loudness after ITU-R BS.1770
// (K-weighting, 400 ms gated blocks) and its range after EBU Tech 3342 (3 s windows), the true peak
// (4x oversampled), how the energy spreads over the spectrum, and how wide the stereo image is.
//
// Feed the samples in pieces of any size with add(); every figure can be read at any time and
// covers all samples fed so far.

#include <array>
#include <cstddef>
#include <vector>

namespace measure {

class LoudnessMeter {
 public:
  explicit LoudnessMeter(double sampleRate);

  // Interleaved stereo frames, left then right, full scale +-1.
  void add(const float* interleaved, std::size_t frames);

  // Gated integrated loudness in LUFS; -70 or below means silence (returned as -inf).
  double integrated() const;
  // Loudness range in LU: 10th to 95th percentile of the gated 3 s short-term loudness.
  double range() const;
  // The short-term loudness (3 s window) every 100 ms, ungated, in LUFS (-inf for silence).
  std::vector<double> shortTerm() const;
  // The highest 4x oversampled and the highest plain sample magnitude, in dBFS.
  double truePeak() const;
  double samplePeak() const;
  // The share (0..1) of the energy of both channels that lies between the two frequencies.
  double energyShare(double fromHz, double toHz) const;
  // The energy between the two frequencies itself, to set one rendering's bands against another's.
  double bandEnergy(double fromHz, double toHz) const;
  // The energy of the side signal (L - R) against the mid signal (L + R), in dB.
  double sideToMid() const;
  // The correlation of the left and right channels: 1 for mono, 0 for unrelated, -1 for antiphase.
  double correlation() const;
  std::size_t frames() const { return frameCount; }

 private:
  struct Biquad {
    double b0, b1, b2, a1, a2;
    double z1 = 0, z2 = 0;
    double operator()(double x);
  };
  static constexpr int TRUE_PEAK_PHASES = 4;
  static constexpr int TRUE_PEAK_TAPS = 16;  // per phase
  static constexpr std::size_t FFT_SIZE = 8192;

  void closeSubBlock();
  void analyseSpectrum();
  double gatedLoudness(const std::vector<double>& blockPowers, double relativeGate) const;
  std::vector<double> windowPowers(std::size_t subBlocks) const;

  double rate;
  std::size_t subBlockFrames;  // 100 ms
  std::array<std::array<Biquad, 2>, 2> kWeighting;  // per channel: shelf, then high-pass
  double subBlockSum = 0;
  std::size_t subBlockFill = 0;
  std::vector<double> subBlockPowers;  // K-weighted mean square of both channels, summed, per 100 ms

  std::array<double, TRUE_PEAK_PHASES * TRUE_PEAK_TAPS> interpolator{};
  std::array<std::array<double, 2 * TRUE_PEAK_TAPS>, 2> history{};
  std::size_t historyAt = 0;
  double peak = 0, samplePeakValue = 0;

  std::vector<double> window;
  std::vector<double> fftLeft, fftRight;  // the last FFT_SIZE frames
  std::size_t fftFill = 0;
  std::vector<double> powerSpectrum;  // FFT_SIZE / 2 + 1 bins, summed over both channels

  double midEnergy = 0, sideEnergy = 0, leftEnergy = 0, rightEnergy = 0, crossEnergy = 0;
  std::size_t frameCount = 0;
};

// Loudness from a mean square power as BS.1770 states it: -0.691 + 10 log10(power).
double loudnessOf(double power);

}  // namespace measure
