#pragma once
// The show's one error reporter: shows the German text to the user, then posts the quit request
// and returns, so the caller carries on and the program ends at the next turn of the main loop.

inline constexpr const char* FATAL_CAPTION = "Dirurar Dararerad Fehler";
inline constexpr const char* OUT_OF_MEMORY = "Leider habe ich nicht genug Speicher";
// The start of a loader's report that a file's pixels found no memory; the file's name follows.
inline constexpr const char* NO_MEMORY_FOR = "Leider kan ich kein Speicher fuer ";

// Whether a report says memory ran out (OUT_OF_MEMORY or a loader's NO_MEMORY_FOR report).
bool isOutOfMemoryReport(const char* text);

// How a report reaches the user: a message box on a real display, stderr when headless.
using FatalReporter = void (*)(const char* caption, const char* text);

void showFatal(const char* text);
// Installs a reporter and returns the previous one. The default prints "<caption>: <text>" on stderr.
FatalReporter setFatalReporter(FatalReporter reporter);
void reportFatalToStderr(const char* caption, const char* text);
// Whether showFatal has run in this process: the program then ends with a failing exit code.
bool fatalReported();
void clearFatalReported();

// Installs a reporter for the life of the object; the previous one comes back even when an
// exception (an allocation that failed) leaves the scope.
class ScopedFatalReporter {
 public:
  explicit ScopedFatalReporter(FatalReporter reporter) : previous(setFatalReporter(reporter)) {}
  ~ScopedFatalReporter() { setFatalReporter(previous); }
  ScopedFatalReporter(const ScopedFatalReporter&) = delete;
  ScopedFatalReporter& operator=(const ScopedFatalReporter&) = delete;

 private:
  FatalReporter previous;
};
