#include "show/CueQueue.h"

void CueQueue::reserve(std::size_t capacity) {
  ring.assign(capacity, Event{});
  clear();
}

void CueQueue::push(std::int64_t sample, std::uint8_t code, SyncReceiver& early) {
  if (ring.empty()) {
    early.post(code);
    return;
  }
  if (waiting == ring.size()) postOldest(early);
  ring[(head + waiting) % ring.size()] = {sample, code};
  ++waiting;
}

void CueQueue::postDue(std::int64_t sample, SyncReceiver& receiver) {
  while (waiting > 0 && ring[head].sample <= sample) postOldest(receiver);
}

void CueQueue::postOldest(SyncReceiver& receiver) {
  receiver.post(ring[head].code);
  head = (head + 1) % ring.size();
  --waiting;
}
