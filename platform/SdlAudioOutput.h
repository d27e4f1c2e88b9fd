#pragma once
// The sound device through SDL's audio subsystem: stereo float samples at 44100 Hz, pulled by
// SDL's audio thread. SDL_AUDIODRIVER picks the driver (dummy for machines without sound).

#include <SDL.h>

#include <memory>

#include "show/AudioOutput.h"

class SdlAudioOutput : public AudioOutput {
 public:
  // Opens the default device, paused; null if SDL has no audio or the device will not open.
  static std::unique_ptr<AudioOutput> open(int sampleRate, std::string& problem);
  ~SdlAudioOutput() override;
  SdlAudioOutput(const SdlAudioOutput&) = delete;
  SdlAudioOutput& operator=(const SdlAudioOutput&) = delete;

  std::uint32_t bufferFrames() const override { return deviceFrames; }
  void start(Fill fill, void* context) override;
  void setPaused(bool paused) override;

 private:
  SdlAudioOutput() = default;
  static void callback(void* self, Uint8* stream, int length);

  SDL_AudioDeviceID device = 0;
  std::uint32_t deviceFrames = 0;
  // Held before start: start leaves the device paused.
  bool held = false;
  Fill fillFunction = nullptr;
  void* fillContext = nullptr;
};
