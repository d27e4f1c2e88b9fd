#pragma once
// Zxx events rendered ahead of the moment they are due, oldest first: the music renders rows before
// they are heard (a device buffer, a frame), and each event waits here until its row's sample is
// reached. A ring sized at construction, so a render allocates nothing; should it ever be full,
// the oldest event is posted early rather than lost.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "show/SyncMailbox.h"

class CueQueue {
 public:
  explicit CueQueue(std::size_t capacity = 0) : ring(capacity) {}

  // Room for `capacity` events, emptied.
  void reserve(std::size_t capacity);
  void clear() { head = waiting = 0; }

  // Holds the event of the row starting at `sample`; a full ring posts its oldest to `early` first.
  void push(std::int64_t sample, std::uint8_t code, SyncReceiver& early);
  // Posts, in playing order, every held event whose row starts at or before `sample`.
  void postDue(std::int64_t sample, SyncReceiver& receiver);

  std::size_t size() const { return waiting; }
  std::size_t capacity() const { return ring.size(); }

 private:
  struct Event {
    std::int64_t sample;
    std::uint8_t code;
  };
  void postOldest(SyncReceiver& receiver);

  std::vector<Event> ring;
  std::size_t head = 0;
  std::size_t waiting = 0;
};
