#include "show/MusicPlayer.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <vector>

#include "base/Fatal.h"
#include "app/SdlAudioOutput.h"
#include "base/AssetDirectory.h"
#include "base/FileBytes.h"
#include "show/ModuleRenderer.h"
#include "show/MusicStream.h"

namespace {
// Process-wide, because the music thread's callback carries no pointer of ours.
std::atomic<std::uint8_t> syncCode{0};
std::atomic<bool> syncPending{false};
}  // namespace

struct MusicPlayer::Playback {
  MusicOptions options;
  ModuleRenderer renderer;
  std::unique_ptr<MusicStream> stream;
  // Declared last so it closes first: no callback runs while the stream and renderer go away.
  std::unique_ptr<AudioOutput> output;
};

MusicPlayer::MusicPlayer(const MusicOptions& options) : playback(std::make_unique<Playback>()) {
  playback->options = options;
  if (!ModuleRenderer::librarySupported()) {
    showFatal("Achtung: Sie haben nicht die richtige DLL");
    return;
  }
  if (options.soundOutput) {
    playback->output = SdlAudioOutput::open(SAMPLE_RATE);
    if (!playback->output) showFatal("Achtung: kein Ton");
  }
  syncPending.store(false);
}

MusicPlayer::~MusicPlayer() = default;

void MusicPlayer::load(const char* fileName) {
  // The module cannot change under the audio thread once it plays.
  if (playback->stream) return;
  std::vector<std::uint8_t> bytes;
  if (!readWholeFile(assetPath(fileName), bytes) || !playback->renderer.open(bytes)) {
    showFatal("ehmzz.. keine Daten");
  }
}

void MusicPlayer::play() {
  Playback& p = *playback;
  if (!p.output || !p.renderer.isOpen() || p.stream) return;
  p.stream = std::make_unique<MusicStream>(p.renderer, p.output->bufferFrames(), p.options.syncOffsetMs,
                                           &MusicPlayer::onZxx);
  p.output->start(&MusicStream::fillCallback, p.stream.get());
}

std::uint64_t MusicPlayer::seek(std::uint64_t frame) {
  Playback& p = *playback;
  if (!p.renderer.isOpen() || p.stream) return 0;
  return p.renderer.seek(frame);
}

void MusicPlayer::onZxx(std::uint8_t code) {
  syncCode.store(code, std::memory_order_relaxed);
  // Release: the code is visible no later than the flag.
  syncPending.store(true, std::memory_order_release);
}

bool MusicPlayer::takePending() { return syncPending.exchange(false, std::memory_order_acq_rel); }

std::uint8_t MusicPlayer::lastCode() const { return syncCode.load(std::memory_order_relaxed); }

void MusicPlayer::repeatSync() { syncPending.store(true, std::memory_order_release); }

void MusicPlayer::resetSyncState() {
  syncCode.store(0);
  syncPending.store(false);
}
