#include "capture/FrameQueue.h"

FrameQueue::FrameQueue(std::size_t slots, std::size_t mostSampleFrames) : ring(slots) {
  for (Slot& slot : ring) {
    slot.frame.assign(FRAME_PIXELS, 0);
    slot.samples.assign(2 * mostSampleFrames, 0.0f);
  }
}

FrameQueue::Slot* FrameQueue::acquire() {
  std::unique_lock<std::mutex> hold(lock);
  changed.wait(hold, [this] { return closed || published < ring.size(); });
  if (closed) return nullptr;
  filling = true;
  return &ring[(head + published) % ring.size()];
}

void FrameQueue::publish() {
  {
    std::lock_guard<std::mutex> hold(lock);
    if (!filling) return;
    filling = false;
    ++published;
  }
  changed.notify_all();
}

void FrameQueue::close() {
  {
    std::lock_guard<std::mutex> hold(lock);
    closed = true;
  }
  changed.notify_all();
}

FrameQueue::Slot* FrameQueue::next() {
  std::unique_lock<std::mutex> hold(lock);
  changed.wait(hold, [this] { return closed || published > 0; });
  if (published == 0) return nullptr;
  return &ring[head];
}

void FrameQueue::release() {
  {
    std::lock_guard<std::mutex> hold(lock);
    if (published == 0) return;
    head = (head + 1) % ring.size();
    --published;
  }
  changed.notify_all();
}
