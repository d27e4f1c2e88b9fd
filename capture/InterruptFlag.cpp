#include "capture/InterruptFlag.h"

namespace {
volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int) { interrupted = 1; }
}  // namespace

InterruptFlag::InterruptFlag() {
  interrupted = 0;
  struct sigaction action = {};
  action.sa_handler = &onInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &previous);
}

InterruptFlag::~InterruptFlag() { sigaction(SIGINT, &previous, nullptr); }

bool InterruptFlag::raised() const { return interrupted != 0; }
