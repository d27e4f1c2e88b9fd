#include "capture/CaptureProgress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "capture/SecondsSince.h"

namespace {
using Clock = std::chrono::steady_clock;
constexpr int DEFAULT_COLUMNS = 80;

// The fields in the order shown: frame, show time, scene, speed, time left. When the line is too
// wide the lowest rank goes first; the frame count stays whatever the width.
constexpr int FIELDS = 5;
constexpr int RANK[FIELDS] = {4, 1, 0, 2, 3};
constexpr std::size_t FIELD_SIZE = 64;

// Whole seconds as m:ss, or h:mm:ss from an hour on: the progress line needs no finer times.
void formatSeconds(long long seconds, char* text, std::size_t size) {
  seconds = std::max(seconds, 0LL);
  if (seconds >= 3600)
    std::snprintf(text, size, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
  else
    std::snprintf(text, size, "%lld:%02lld", seconds / 60, seconds % 60);
}
}  // namespace

CaptureProgress::CaptureProgress(std::ostream& stream, bool onTerminal, std::int64_t expectedFrames, double rate)
    : out(stream),
      terminal(onTerminal),
      totalFrames(std::max<std::int64_t>(expectedFrames, 1)),
      framesPerSecond(rate),
      started(Clock::now()),
      lastPrint(started) {}

void CaptureProgress::update(std::int64_t frame, double showTimeMs, int entry, const char* scene) {
  const auto now = Clock::now();
  const auto interval = terminal ? std::chrono::milliseconds(250) : std::chrono::milliseconds(10000);
  if (now - lastPrint < interval) return;
  lastPrint = now;
  print(frame, showTimeMs, entry, scene, false);
}

void CaptureProgress::finish(std::int64_t frame, double showTimeMs, int entry, const char* scene) {
  print(frame, showTimeMs, entry, scene, true);
}

int CaptureProgress::terminalColumns() {
  winsize window{};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &window) == 0 && window.ws_col > 0) return window.ws_col;
  if (const char* columns = std::getenv("COLUMNS")) {
    char* end = nullptr;
    const long value = std::strtol(columns, &end, 10);
    if (end != columns && *end == '\0' && value > 0 && value <= 10000) return static_cast<int>(value);
  }
  return DEFAULT_COLUMNS;
}

std::size_t CaptureProgress::formatLine(const ProgressFigures& figures, int columns, char* line, std::size_t size) {
  char fields[FIELDS][FIELD_SIZE];
  char time[32];
  std::snprintf(fields[0], FIELD_SIZE, "frame %lld/%lld", static_cast<long long>(figures.frame),
                static_cast<long long>(figures.totalFrames));
  formatSeconds(static_cast<long long>(std::floor(figures.showTimeMs / 1000.0)), time, sizeof time);
  std::snprintf(fields[1], FIELD_SIZE, "show %s", time);
  std::snprintf(fields[2], FIELD_SIZE, "scene %d %s", figures.entry, figures.scene);
  std::snprintf(fields[3], FIELD_SIZE, "%.0f fps (%.2fx)", figures.framesPerSecond, figures.speedUp);
  formatSeconds(std::llround(figures.seconds), time, sizeof time);
  std::snprintf(fields[4], FIELD_SIZE, "%s %s", figures.last ? "took" : "ETA", time);

  constexpr const char* SEPARATOR = "  ";
  const std::size_t separator = std::strlen(SEPARATOR);
  // The last column stays empty: a character written there makes some terminals wrap.
  const std::size_t limit = columns > 0 ? static_cast<std::size_t>(columns - 1) : size - 1;
  bool shown[FIELDS];
  std::size_t width = 0;
  for (int i = 0; i < FIELDS; ++i) {
    shown[i] = true;
    width += std::strlen(fields[i]) + (i > 0 ? separator : 0);
  }
  for (int rank = 0; rank < FIELDS - 1 && width > limit; ++rank) {
    const int i = static_cast<int>(std::find(RANK, RANK + FIELDS, rank) - RANK);
    shown[i] = false;
    width -= std::strlen(fields[i]) + separator;
  }
  std::size_t length = 0;
  line[0] = '\0';
  for (int i = 0; i < FIELDS; ++i) {
    if (!shown[i]) continue;
    const int written = std::snprintf(line + length, size - length, "%s%s", length > 0 ? SEPARATOR : "", fields[i]);
    length = std::min(length + static_cast<std::size_t>(std::max(written, 0)), size - 1);
  }
  // Narrower than the frame count alone: as much of it as fits.
  if (length > limit) {
    length = limit;
    line[length] = '\0';
  }
  return length;
}

void CaptureProgress::print(std::int64_t frame, double showTimeMs, int entry, const char* scene, bool last) {
  const double seconds = secondsSince(started);
  ProgressFigures figures;
  figures.frame = frame;
  figures.totalFrames = totalFrames;
  figures.showTimeMs = showTimeMs;
  figures.entry = entry;
  figures.scene = scene;
  figures.framesPerSecond = seconds > 0 ? static_cast<double>(frame) / seconds : 0.0;
  figures.speedUp = figures.framesPerSecond / framesPerSecond;
  figures.seconds = last ? seconds
                    : figures.framesPerSecond > 0
                        ? static_cast<double>(std::max<std::int64_t>(totalFrames - frame, 0)) / figures.framesPerSecond
                        : 0.0;
  figures.last = last;
  char line[256];
  // A log is read later, at any width: it gets every field.
  formatLine(figures, terminal ? terminalColumns() : 0, line, sizeof line);
  if (terminal)
    out << '\r' << line << "\x1b[K";
  else
    out << line << '\n';
  if (last && terminal) out << '\n';
  out.flush();
}
