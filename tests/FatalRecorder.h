#pragma once
// Catches showFatal reports for the life of the object instead of printing them, and clears the
// quit request they post on both ends so that tests do not see each other's.

#include <string>
#include <vector>

#include "base/Fatal.h"
#include "base/QuitRequest.h"

class FatalRecorder {
 public:
  FatalRecorder() : previous(setFatalReporter(&record)) {
    reports().clear();
    clearQuitRequest();
    clearFatalReported();
  }
  ~FatalRecorder() {
    setFatalReporter(previous);
    clearQuitRequest();
    clearFatalReported();
  }
  FatalRecorder(const FatalRecorder&) = delete;
  FatalRecorder& operator=(const FatalRecorder&) = delete;

  // "caption|text" of each report, in order.
  static std::vector<std::string>& reports() {
    static std::vector<std::string> all;
    return all;
  }

 private:
  static void record(const char* caption, const char* text) {
    reports().push_back(std::string(caption) + "|" + text);
  }
  FatalReporter previous;
};
