// The music thread fires cues as fast as it can while the main thread takes them. Also built with
// ThreadSanitizer by run-tests.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "show/SyncMailbox.h"

namespace {

// Each round posts the codes 1..255 in rising order while the taker takes flat out, then waits
// until the taker has seen the round end. A code taken that is not newer than the one taken
// before it was delivered twice (or came out of order); a round whose last take is not 255 lost
// its final cue.
TEST(SyncHandOver, NoCueIsTakenTwiceNorIsTheLastOneLost) {
  SyncMailbox mailbox;
  constexpr int ROUNDS = 2000;
  std::atomic<int> roundsPosted{0};
  std::atomic<int> roundsTaken{0};
  std::atomic<int> pause{0};

  std::thread musicThread([&] {
    for (int round = 0; round < ROUNDS; ++round) {
      for (int code = 1; code <= 255; ++code) {
        mailbox.post(static_cast<std::uint8_t>(code));
        // Some rounds flat out, others a little slower, so that a round spans many takes.
        for (int spin = 0; spin < round % 32; ++spin) pause.fetch_add(1, std::memory_order_relaxed);
      }
      roundsPosted.store(round + 1, std::memory_order_release);
      while (roundsTaken.load(std::memory_order_acquire) <= round) std::this_thread::yield();
    }
  });

  long taken = 0;
  int repeated = 0;
  int lostLast = 0;
  for (int round = 0; round < ROUNDS; ++round) {
    int previous = 0;
    for (;;) {
      // Read before the take, so the take that ends the round sees every post of it.
      const bool posted = roundsPosted.load(std::memory_order_acquire) > round;
      const SyncMailbox::Cue cue = mailbox.take();
      if (cue.pending) {
        ++taken;
        if (cue.code <= previous) ++repeated;
        previous = cue.code;
      }
      if (posted) break;
    }
    if (previous != 255) ++lostLast;
    roundsTaken.store(round + 1, std::memory_order_release);
  }
  musicThread.join();

  EXPECT_EQ(repeated, 0);
  EXPECT_EQ(lostLast, 0);
  EXPECT_GE(taken, ROUNDS);
  EXPECT_FALSE(mailbox.take().pending);
}

// A cue is the key's only when no cue of the music waits to be taken with it.
TEST(SyncHandOver, OnlyACueNoMusicPostedIsMarkedAsTheKeys) {
  SyncMailbox mailbox;
  mailbox.repeat();
  EXPECT_TRUE(mailbox.take().byKey);
  mailbox.post(3);
  mailbox.repeat();
  EXPECT_FALSE(mailbox.take().byKey);
  mailbox.repeat();
  mailbox.post(4);
  const SyncMailbox::Cue cue = mailbox.take();
  EXPECT_TRUE(cue.pending && cue.code == 4 && !cue.byKey);
  EXPECT_FALSE(mailbox.take().byKey);
}

TEST(SyncHandOver, KeysRaisedDuringCuesNeverChangeTheCode) {
  SyncMailbox mailbox;
  mailbox.post(42);
  std::thread musicThread([&] {
    for (int i = 0; i < 20000; ++i) mailbox.post(42);
  });
  int wrong = 0;
  for (int i = 0; i < 20000; ++i) {
    mailbox.repeat();
    const SyncMailbox::Cue cue = mailbox.take();
    if (!cue.pending || cue.code != 42) ++wrong;
  }
  musicThread.join();
  EXPECT_EQ(wrong, 0);
}

}  // namespace
