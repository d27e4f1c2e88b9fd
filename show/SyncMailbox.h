#pragma once
// The hand-over of the music's sync cues to the main thread. The music thread posts each Zxx code
// as it is heard; a key press raises the latest cue again; the sequencer takes at most one cue per
// frame. Cues are not queued: only the latest between two takes is acted on.
//
// The code and the pending flag share one atomic word, and a take clears the flag and reads the
// code in one atomic step, so a cue posted while it is taken is delivered exactly once: either in
// this take or in the next, never in both and never in neither.

#include <atomic>
#include <cstdint>

// Whatever receives the music's cues in playing order: the mailbox in the show, a recorder in tests.
class SyncReceiver {
 public:
  virtual void post(std::uint8_t code) = 0;

 protected:
  ~SyncReceiver() = default;
};

class SyncMailbox final : public SyncReceiver {
 public:
  struct Cue {
    bool pending;
    // The latest posted code, 0 before the first post; valid whether or not a cue was pending.
    std::uint8_t code;
    // Pending only because a key raised it again: no cue of the music was waiting.
    bool byKey;
  };

  // Any thread, usually the music's: the code becomes the latest cue and is pending.
  void post(std::uint8_t code) override { word.store(PENDING | code, std::memory_order_release); }
  // A key press: the latest code is pending again, unchanged. A cue of the music already waiting
  // stays the music's; a post before the take makes it the music's again.
  void repeat() {
    std::uint32_t seen = word.load(std::memory_order_relaxed);
    while ((seen & PENDING) == 0 && !word.compare_exchange_weak(seen, seen | PENDING | BY_KEY,
                                                                std::memory_order_release, std::memory_order_relaxed)) {
    }
  }
  // The sequencer, once a frame: the pending cue, cleared in the same atomic step it is read.
  Cue take() {
    const std::uint32_t taken = word.fetch_and(CODE_MASK, std::memory_order_acq_rel);
    return Cue{(taken & PENDING) != 0, static_cast<std::uint8_t>(taken & CODE_MASK), (taken & BY_KEY) != 0};
  }

 private:
  static constexpr std::uint32_t CODE_MASK = 0xFF;
  static constexpr std::uint32_t PENDING = 0x100;
  static constexpr std::uint32_t BY_KEY = 0x200;

  std::atomic<std::uint32_t> word{0};
};
