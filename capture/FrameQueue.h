#pragma once
// Hands frames from the thread that renders the show to the thread that encodes them, through a
// fixed ring of slots made once: the renderer fills a free slot and publishes it, the encoder
// takes published slots in order and gives them back. Each side waits only when the ring is full
// or empty.

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <utility>
#include <vector>

template <class Slot>
class FrameQueue {
 public:
  explicit FrameQueue(std::vector<Slot> slots) : ring(std::move(slots)) {}

  // Renderer: a slot to fill (waits while every slot is taken); null once the queue is closed.
  Slot* acquire() {
    std::unique_lock<std::mutex> hold(lock);
    changed.wait(hold, [this] { return closed || published < ring.size(); });
    if (closed) return nullptr;
    filling = true;
    return &ring[(head + published) % ring.size()];
  }

  void publish() {
    {
      std::lock_guard<std::mutex> hold(lock);
      if (!filling) return;
      filling = false;
      ++published;
    }
    changed.notify_all();
  }

  // Renderer: no more frames. Encoder: give up, the renderer's acquire returns null from now on.
  void close() {
    {
      std::lock_guard<std::mutex> hold(lock);
      closed = true;
    }
    changed.notify_all();
  }

  // Encoder: the oldest published slot (waits for one); null once closed and drained.
  Slot* next() {
    std::unique_lock<std::mutex> hold(lock);
    changed.wait(hold, [this] { return closed || published > 0; });
    if (published == 0) return nullptr;
    return &ring[head];
  }

  void release() {
    {
      std::lock_guard<std::mutex> hold(lock);
      if (published == 0) return;
      head = (head + 1) % ring.size();
      --published;
    }
    changed.notify_all();
  }

 private:
  std::mutex lock;
  std::condition_variable changed;
  std::vector<Slot> ring;
  std::size_t head = 0;       // oldest published
  std::size_t published = 0;  // slots published and not released
  bool filling = false;       // a slot is out with the renderer
  bool closed = false;
};
