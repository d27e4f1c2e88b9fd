#include "show/MusicPlayer.h"

// The page's MusicPlayer: the page itself plays the music (rendered at build time) with the
// browser's audio and raises each cue through onZxx when the audio clock reaches it, so here only
// the sync hand-over remains. One thread: plain atomics cost nothing and keep the interface.

#include <atomic>

namespace {
std::atomic<std::uint8_t> syncCode{0};
std::atomic<bool> syncPending{false};
}  // namespace

struct MusicPlayer::Playback {};

MusicPlayer::MusicPlayer(const MusicOptions&) { syncPending.store(false); }

MusicPlayer::~MusicPlayer() = default;

void MusicPlayer::load(const char*) {}

std::uint64_t MusicPlayer::seek(std::uint64_t) { return 0; }

void MusicPlayer::play() {}

void MusicPlayer::onZxx(std::uint8_t code) {
  syncCode.store(code, std::memory_order_relaxed);
  syncPending.store(true, std::memory_order_release);
}

bool MusicPlayer::takePending() { return syncPending.exchange(false, std::memory_order_acq_rel); }

std::uint8_t MusicPlayer::lastCode() const { return syncCode.load(std::memory_order_relaxed); }

void MusicPlayer::repeatSync() { syncPending.store(true, std::memory_order_release); }

void MusicPlayer::resetSyncState() {
  syncCode.store(0);
  syncPending.store(false);
}
