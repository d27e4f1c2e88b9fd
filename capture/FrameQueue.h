#pragma once
// Hands frames and their samples from the thread that renders the show to the thread that encodes
// them, through a fixed ring of slots made once: the renderer fills a free slot and publishes it,
// the encoder takes published slots in order and gives them back. Each side waits only when the
// ring is full or empty.

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <vector>

#include "render/Pixel.h"

class FrameQueue {
 public:
  struct Slot {
    std::vector<Pixel> frame;     // 512 x 280
    std::vector<float> samples;   // interleaved stereo
    std::size_t sampleFrames = 0;
  };

  FrameQueue(std::size_t slots, std::size_t mostSampleFrames);

  // Renderer: a slot to fill (waits while every slot is taken); null once the queue is closed.
  Slot* acquire();
  void publish();
  // Renderer: no more frames. Encoder: give up, the renderer's acquire returns null from now on.
  void close();

  // Encoder: the oldest published slot (waits for one); null once closed and drained.
  Slot* next();
  void release();

 private:
  std::mutex lock;
  std::condition_variable changed;
  std::vector<Slot> ring;
  std::size_t head = 0;       // oldest published
  std::size_t published = 0;  // slots published and not released
  bool filling = false;       // a slot is out with the renderer
  bool closed = false;
};
