#include "base/Fatal.h"

#include <cstdio>

#include "base/QuitRequest.h"

namespace {
FatalReporter currentReporter = &reportFatalToStderr;
}

void reportFatalToStderr(const char* caption, const char* text) {
  std::fprintf(stderr, "%s: %s\n", caption, text);
  std::fflush(stderr);
}

FatalReporter setFatalReporter(FatalReporter reporter) {
  FatalReporter previous = currentReporter;
  currentReporter = reporter ? reporter : &reportFatalToStderr;
  return previous;
}

void showFatal(const char* text) {
  currentReporter(FATAL_CAPTION, text);
  postQuitRequest();
}
