#pragma once
// Ctrl+C as a request to stop: while an InterruptFlag lives, SIGINT raises a flag that a long job
// polls between frames, so it can finish its output cleanly instead of dying mid-write. The
// previous handler comes back when the object goes.

#include <csignal>

class InterruptFlag {
 public:
  InterruptFlag();
  ~InterruptFlag();
  InterruptFlag(const InterruptFlag&) = delete;
  InterruptFlag& operator=(const InterruptFlag&) = delete;

  bool raised() const;

 private:
  struct sigaction previous;
};
