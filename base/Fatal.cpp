#include "base/Fatal.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#include "base/QuitRequest.h"

namespace {
FatalReporter currentReporter = &reportFatalToStderr;
std::atomic<bool> anyReport{false};
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
  anyReport.store(true);
  currentReporter(FATAL_CAPTION, text);
  postQuitRequest();
}

bool fatalReported() { return anyReport.load(); }

bool isOutOfMemoryReport(const char* text) {
  return std::strcmp(text, OUT_OF_MEMORY) == 0 || std::strncmp(text, NO_MEMORY_FOR, std::strlen(NO_MEMORY_FOR)) == 0;
}

void clearFatalReported() { anyReport.store(false); }
