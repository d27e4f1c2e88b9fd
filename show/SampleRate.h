#pragma once
// The one sample rate of the music, the sound device, the frame timing and the encoded audio.

#include <cstdint>

inline constexpr std::int64_t SAMPLE_RATE = 44100;
