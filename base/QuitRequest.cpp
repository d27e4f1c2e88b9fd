#include "base/QuitRequest.h"

#include <atomic>

namespace {
std::atomic<bool> quitPosted{false};
}

void postQuitRequest() { quitPosted.store(true); }
bool quitRequested() { return quitPosted.load(); }
void clearQuitRequest() { quitPosted.store(false); }
