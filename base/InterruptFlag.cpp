#include "base/InterruptFlag.h"

namespace {
// The first signal that came; a later one does not change the exit code.
volatile std::sig_atomic_t caught = 0;

void onSignal(int number) {
  if (caught == 0) caught = number;
}
}  // namespace

InterruptFlag::InterruptFlag() {
  caught = 0;
  struct sigaction action = {};
  action.sa_handler = &onSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &previousInterrupt);
  sigaction(SIGTERM, &action, &previousTerminate);
}

InterruptFlag::~InterruptFlag() {
  sigaction(SIGINT, &previousInterrupt, nullptr);
  sigaction(SIGTERM, &previousTerminate, nullptr);
}

bool InterruptFlag::raised() const { return caught != 0; }

int InterruptFlag::exitCode() const { return caught == 0 ? 0 : 128 + caught; }
