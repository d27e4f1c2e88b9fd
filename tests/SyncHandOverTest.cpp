// The music thread fires cues as fast as it can while the main thread takes them. Also built with
// ThreadSanitizer by run-tests (filter SyncHandOver*).

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "show/MusicPlayer.h"

namespace {

TEST(SyncHandOver, TakenFlagsNeverShowAnOlderCodeAndTheLastCueIsNeverLost) {
  MusicPlayer::resetSyncState();
  MusicPlayer music(MusicOptions{false, 0});
  constexpr int ROUNDS_PER_CODE = 200;
  std::atomic<bool> done{false};

  // Codes rise 1..255, so a flag seen with a smaller code than one seen before, or with code 0,
  // would be a code that became visible after its flag.
  std::thread musicThread([&] {
    for (int code = 1; code <= 255; ++code)
      for (int round = 0; round < ROUNDS_PER_CODE; ++round)
        MusicPlayer::onZxx(static_cast<std::uint8_t>(code));
    done.store(true, std::memory_order_release);
  });

  int highest = 0;
  int taken = 0;
  bool ordered = true;
  auto take = [&] {
    if (!music.takePending()) return;
    int code = music.lastCode();
    ++taken;
    if (code == 0 || code < highest) ordered = false;
    if (code > highest) highest = code;
  };
  while (!done.load(std::memory_order_acquire)) take();
  musicThread.join();
  take();

  EXPECT_TRUE(ordered);
  EXPECT_GT(taken, 0);
  EXPECT_EQ(highest, 255);
  EXPECT_FALSE(music.takePending());
  MusicPlayer::resetSyncState();
}

TEST(SyncHandOver, KeysRaisedDuringCuesNeverChangeTheCode) {
  MusicPlayer::resetSyncState();
  MusicPlayer music(MusicOptions{false, 0});
  MusicPlayer::onZxx(42);
  std::thread musicThread([] {
    for (int i = 0; i < 20000; ++i) MusicPlayer::onZxx(42);
  });
  for (int i = 0; i < 20000; ++i) {
    music.repeatSync();
    if (music.takePending()) {
      EXPECT_EQ(music.lastCode(), 42);
    }
  }
  musicThread.join();
  MusicPlayer::resetSyncState();
}

}  // namespace
