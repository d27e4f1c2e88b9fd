#include "capture/CaptureProgress.h"

#include <algorithm>
#include <cstdio>

#include "base/TimeArguments.h"

namespace {
using Clock = std::chrono::steady_clock;
}

CaptureProgress::CaptureProgress(std::ostream& stream, bool onTerminal, std::int64_t expectedFrames, double frameRate)
    : out(stream),
      terminal(onTerminal),
      totalFrames(std::max<std::int64_t>(expectedFrames, 1)),
      framesPerSecond(frameRate),
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

void CaptureProgress::print(std::int64_t frame, double showTimeMs, int entry, const char* scene, bool last) {
  const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
  const double speed = seconds > 0 ? static_cast<double>(frame) / seconds : 0.0;
  const double left = speed > 0 ? static_cast<double>(std::max<std::int64_t>(totalFrames - frame, 0)) / speed : 0.0;
  char line[200];
  std::snprintf(line, sizeof line, "frame %lld/%lld  show %s  scene %d %-13s  %.0f fps (%.2fx)  %s %s",
                static_cast<long long>(frame), static_cast<long long>(totalFrames), formatShowTime(showTimeMs).c_str(),
                entry, scene, speed, speed / framesPerSecond, last ? "took" : "ETA",
                formatShowTime((last ? seconds : left) * 1000.0).c_str());
  if (terminal)
    out << '\r' << line << "\x1b[K";
  else
    out << line << '\n';
  if (last && terminal) out << '\n';
  out.flush();
}
