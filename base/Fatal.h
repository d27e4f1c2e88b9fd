#pragma once
// The show's one error reporter: shows the German text to the user, then posts the quit request
// and returns, so the caller carries on and the program ends at the next turn of the main loop.

inline constexpr const char* FATAL_CAPTION = "Dirurar Dararerad Fehler";
inline constexpr const char* OUT_OF_MEMORY = "Leider habe ich nicht genug Speicher";

// How a report reaches the user: a message box on a real display, stderr when headless.
using FatalReporter = void (*)(const char* caption, const char* text);

void showFatal(const char* text);
// Installs a reporter and returns the previous one. The default prints "<caption>: <text>" on stderr.
FatalReporter setFatalReporter(FatalReporter reporter);
void reportFatalToStderr(const char* caption, const char* text);
// Whether showFatal has run in this process: the program then ends with a failing exit code.
bool fatalReported();
void clearFatalReported();
