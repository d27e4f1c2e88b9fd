#pragma once
// Ctrl+C (SIGINT) and SIGTERM as a request to stop: while an InterruptFlag lives, either signal
// raises a flag that a long job polls between frames, so it can finish its output cleanly instead
// of dying mid-write. The previous handlers come back when the object goes.

#include <csignal>

class InterruptFlag {
 public:
  InterruptFlag();
  ~InterruptFlag();
  InterruptFlag(const InterruptFlag&) = delete;
  InterruptFlag& operator=(const InterruptFlag&) = delete;

  bool raised() const;
  // The exit code that reports the stop as the shells do: 128 + the signal (130 for SIGINT,
  // 143 for SIGTERM); 0 while no signal came.
  int exitCode() const;

 private:
  struct sigaction previousInterrupt;
  struct sigaction previousTerminate;
};
