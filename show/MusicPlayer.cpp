#include "show/MusicPlayer.h"

#include <atomic>

namespace {
// Process-wide, because the music thread's callback carries no pointer of ours.
std::atomic<std::uint8_t> syncCode{0};
std::atomic<bool> syncPending{false};
}  // namespace

// Playback is not wired up yet: nothing plays and no sync event arrives from the music.
struct MusicPlayer::Playback {};

MusicPlayer::MusicPlayer(const MusicOptions&) { syncPending.store(false); }
MusicPlayer::~MusicPlayer() = default;

void MusicPlayer::load(const char*) {}
void MusicPlayer::play() {}

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
