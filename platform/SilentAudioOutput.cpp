#include "platform/SilentAudioOutput.h"

#include <chrono>

std::unique_ptr<AudioOutput> SilentAudioOutput::open(int sampleRate, std::string& /*problem*/) {
  return std::make_unique<SilentAudioOutput>(sampleRate);
}

SilentAudioOutput::SilentAudioOutput(int sampleRate) : rate(sampleRate), buffer(2 * BUFFER_FRAMES, 0.0f) {}

SilentAudioOutput::~SilentAudioOutput() {
  {
    std::lock_guard<std::mutex> guard(lock);
    stopping = true;
  }
  wake.notify_all();
  if (worker.joinable()) worker.join();
}

void SilentAudioOutput::start(Fill fill, void* context) {
  fillFunction = fill;
  fillContext = context;
  worker = std::thread([this] { run(); });
}

void SilentAudioOutput::setPaused(bool pause) {
  // Taking the lock waits for a fill in progress, as a real device's pause does.
  {
    std::lock_guard<std::mutex> guard(lock);
    paused = pause;
  }
  wake.notify_all();
}

void SilentAudioOutput::run() {
  using Clock = std::chrono::steady_clock;
  // Like a device: a buffer is pulled ahead, then the next each time one has been "played".
  std::uint64_t pulled = 0;
  std::uint64_t playedBefore = 0;
  Clock::time_point since = Clock::now();
  std::unique_lock<std::mutex> guard(lock);
  for (;;) {
    if (stopping) return;
    if (paused) {
      playedBefore += static_cast<std::uint64_t>(
          std::chrono::duration<double>(Clock::now() - since).count() * rate);
      wake.wait(guard, [this] { return stopping || !paused; });
      since = Clock::now();
      continue;
    }
    const auto played = playedBefore + static_cast<std::uint64_t>(
                                           std::chrono::duration<double>(Clock::now() - since).count() * rate);
    if (pulled <= played) {
      fillFunction(fillContext, buffer.data(), BUFFER_FRAMES);
      pulled += BUFFER_FRAMES;
      continue;
    }
    const auto wait = std::chrono::duration<double>(static_cast<double>(pulled - played) / rate);
    wake.wait_for(guard, std::chrono::duration_cast<Clock::duration>(wait));
  }
}
