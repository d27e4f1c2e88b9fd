#pragma once
// A sound device that pulls stereo float samples at 44100 Hz from a fill function on a thread of
// its own. The music knows only this; the platform provides the device.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class AudioOutput {
 public:
  // Called on the device's thread: write `frames` interleaved stereo frames (left, right).
  using Fill = void (*)(void* context, float* interleaved, std::size_t frames);

  // Opens a device at the sample rate, paused; null when there is none to be had, with the
  // system's reason in `problem`.
  using Opener = std::unique_ptr<AudioOutput> (*)(int sampleRate, std::string& problem);

  virtual ~AudioOutput() = default;
  // Frames the device holds between being handed a sample and playing it.
  virtual std::uint32_t bufferFrames() const = 0;
  // Starts pulling samples; until then the device is silent.
  virtual void start(Fill fill, void* context) = 0;
  // Holds the device: no samples are pulled, so the music and its cues wait; false goes on.
  // When it returns true, no fill runs until the device goes on again. A device held before start
  // stays silent until it goes on.
  virtual void setPaused(bool paused) { (void)paused; }
};
