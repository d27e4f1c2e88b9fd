// The music player on an arbitrary module file: load (scan, clear the Zxx cells, open), an optional
// seek, then the first second of playback pulled as a sound device would, in device-sized fills.
// The last byte picks the seek (odd: to that many hundredths of a second, even: none).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "base/QuitRequest.h"
#include "show/MusicPlayer.h"
#include "show/SampleRate.h"
#include "tests/fuzz/FuzzQuiet.h"

namespace {
constexpr std::uint32_t DEVICE_FRAMES = 1024;

// A device that only remembers what it is to pull from; the target pulls in its place.
struct PulledOutput final : AudioOutput {
  std::uint32_t bufferFrames() const override { return DEVICE_FRAMES; }
  void start(Fill startedFill, void* startedContext) override {
    fill = startedFill;
    context = startedContext;
  }
  Fill fill = nullptr;
  void* context = nullptr;
};

PulledOutput* opened = nullptr;

std::unique_ptr<AudioOutput> openPulledOutput(int, std::string&) {
  auto output = std::make_unique<PulledOutput>();
  opened = output.get();
  return output;
}

const std::string& modulePath() {
  static const std::string path = [] {
    std::string name = "/tmp/zod-fuzz-music-" + std::to_string(getpid()) + ".xm";
    std::atexit([] { std::remove(modulePath().c_str()); });
    return name;
  }();
  return path;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  silenceFatalReports();
  if (std::FILE* file = std::fopen(modulePath().c_str(), "wb")) {
    const bool written = std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) != 0 || !written) std::abort();
  } else {
    std::abort();
  }

  SyncMailbox mailbox;
  opened = nullptr;
  {
    MusicPlayer player(mailbox, MusicOptions{&openPulledOutput, 0});
    player.load(modulePath().c_str());
    if (size > 0 && (data[size - 1] & 1)) {
      const std::uint64_t target = static_cast<std::uint64_t>(data[size - 1]) * (SAMPLE_RATE / 100);
      player.seek(target);
    }
    player.play();
    if (opened && opened->fill) {
      std::vector<float> buffer(2 * DEVICE_FRAMES);
      for (std::int64_t pulled = 0; pulled < SAMPLE_RATE; pulled += DEVICE_FRAMES) {
        opened->fill(opened->context, buffer.data(), DEVICE_FRAMES);
        mailbox.take();
      }
    }
  }
  clearQuitRequest();
  return 0;
}
