#pragma once
// The live sound's level, set by the volume and mute keys (and at start by the program's options):
// a gain on the samples as they are mixed for the device, never on anything rendered offline.

struct SoundLevel {
  static constexpr int STEP_PERCENT = 10;
  int volumePercent = 100;
  bool muted = false;

  float gain() const { return muted ? 0.0f : static_cast<float>(volumePercent) / 100.0f; }
};
