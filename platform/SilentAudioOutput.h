#pragma once
// A sound device that plays nothing (`zod --mute`): a thread pulls samples at 44100 Hz by the
// steady clock, in the same buffers a device would, and throws them away. The music thus runs
// and its cues arrive exactly as they would with sound.

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "show/AudioOutput.h"

class SilentAudioOutput final : public AudioOutput {
 public:
  static constexpr std::uint32_t BUFFER_FRAMES = 512;

  static std::unique_ptr<AudioOutput> open(int sampleRate, std::string& problem);
  explicit SilentAudioOutput(int sampleRate);
  ~SilentAudioOutput() override;
  SilentAudioOutput(const SilentAudioOutput&) = delete;
  SilentAudioOutput& operator=(const SilentAudioOutput&) = delete;

  std::uint32_t bufferFrames() const override { return BUFFER_FRAMES; }
  void start(Fill fill, void* context) override;
  void setPaused(bool paused) override;

 private:
  void run();

  int rate;
  Fill fillFunction = nullptr;
  void* fillContext = nullptr;
  std::vector<float> buffer;
  std::mutex lock;
  std::condition_variable wake;
  bool paused = false;
  bool stopping = false;
  std::thread worker;
};
