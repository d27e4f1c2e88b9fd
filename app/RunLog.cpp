#include "app/RunLog.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "base/WriteFailure.h"
#include "show/Timeline.h"

namespace {
constexpr double BIN_MS = 0.05;
constexpr std::size_t BINS = 20000;  // up to a second
constexpr std::size_t BUFFER_BYTES = 1 << 16;
constexpr int ALLOCATION_LINES = 16;

const char* sceneName(int entry) {
  // The names are string literals, so their views end in a terminating zero.
  return entry >= 0 && entry < TIMELINE_ENTRIES ? TIMELINE[entry].effectName.data() : "-";
}

// Resident memory in KiB: the current figure from /proc where there is one, read without the C
// library's buffered files (which allocate), else the peak.
long residentKb() {
  const int fd = ::open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    char text[128];
    const ssize_t got = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (got > 0) {
      text[got] = '\0';
      char* rest = nullptr;
      std::strtol(text, &rest, 10);
      const long pages = std::strtol(rest, nullptr, 10);
      return pages * (::sysconf(_SC_PAGESIZE) / 1024);
    }
  }
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

void count(std::vector<std::uint32_t>& histogram, double& maxMs, double ms) {
  maxMs = std::max(maxMs, ms);
  const double bin = std::floor(std::max(ms, 0.0) / BIN_MS);
  ++histogram[bin >= static_cast<double>(BINS) ? BINS - 1 : static_cast<std::size_t>(bin)];
}
}  // namespace

RunLog::RunLog(std::function<double()> nowMs, AllocationCount allocationCount)
    : now(std::move(nowMs)), allocations(allocationCount), intervals(BINS, 0), renders(BINS, 0) {}

RunLog::~RunLog() {
  if (file) std::fclose(file);
}

bool RunLog::open(const std::string& path) {
  file = std::fopen(path.c_str(), "w");
  if (!file) return false;
  // A buffer of our own: the C library would allocate one at the first line, in the loop.
  buffer = std::make_unique<char[]>(BUFFER_BYTES);
  std::setvbuf(file, buffer.get(), _IOFBF, BUFFER_BYTES);
  std::fprintf(file, "# zod run log: kind key=value...; scene numbers as zod --list-scenes gives them\n");
  return std::fflush(file) == 0;
}

std::uint64_t RunLog::allocationsAfterFirstFrame() const {
  return allocations && frameCount > 0 ? allocations() - allocationsAtFirstFrame : 0;
}

void RunLog::frameStarts() {
  turnStart = now();
  if (previousStart >= 0.0) count(intervals, intervalMax, turnStart - previousStart);
  previousStart = turnStart;
}

void RunLog::presentStarts() {
  count(renders, renderMax, now() - turnStart);
  if (allocations) presentFrom = allocations();
}

void RunLog::presentEnds() {
  // The first frame's own allocations are not counted at all.
  if (allocations && frameCount > 0) inPresent += allocations() - presentFrom;
}

void RunLog::frameEnds(float timeMs, int entry) {
  const double end = now();
  ++frameCount;
  // A seek makes a fresh show, which allocates; those are the seek's, not the loop's.
  if (seekWaits && frameCount > 1 && allocations) allocationsAtFirstFrame = allocations() - allocationsSeen;
  if (frameCount > 1 && allocations) {
    const std::uint64_t total = allocationsAfterFirstFrame();
    if (total != allocationsSeen && allocationLines < ALLOCATION_LINES && file) {
      ++allocationLines;
      std::fprintf(file, "alloc frame=%llu show_ms=%.0f count=%llu in_present=%llu\n",
                   static_cast<unsigned long long>(frameCount), static_cast<double>(timeMs),
                   static_cast<unsigned long long>(total - allocationsSeen),
                   static_cast<unsigned long long>(inPresent - presentAtFrameStart));
    }
    allocationsSeen = total;
    presentAtFrameStart = inPresent;
  }
  if (frameCount == 1) {
    allocationsAtFirstFrame = allocations ? allocations() : 0;
    firstFrameWall = end;
    if (file)
      std::fprintf(file, "start frame=1 show_ms=%.0f scene=%d name=%s\n", static_cast<double>(timeMs), entry + 1,
                   sceneName(entry));
  }
  if (seekWaits && file) {
    std::fprintf(file, "seek frame=%llu from_ms=%.0f to_ms=%.0f landed_ms=%.0f took_ms=%.0f\n",
                 static_cast<unsigned long long>(frameCount), seekFromMs, seekToMs, static_cast<double>(timeMs),
                 end - seekAskedAt);
  }
  seekWaits = false;
  if (end >= nextMemoryWall) writeMemory(end);
}

void RunLog::seekAsked(double fromMs, double toMs, double askedAtMs) {
  seekWaits = true;
  seekFromMs = fromMs;
  seekToMs = toMs;
  seekAskedAt = askedAtMs;
  // The seek's wait is in its own line, not among the times between frames.
  previousStart = -1.0;
}

void RunLog::soundChanged(int volumePercent, bool muted, float timeMs) {
  if (!file) return;
  std::fprintf(file, "volume frame=%llu show_ms=%.0f percent=%d muted=%d\n",
               static_cast<unsigned long long>(frameCount), static_cast<double>(timeMs), volumePercent, muted ? 1 : 0);
}

void RunLog::writeMemory(double nowMs) {
  nextMemoryWall = nowMs + MEMORY_EVERY_MS;
  if (!file) return;
  std::fprintf(file, "mem wall_s=%.1f frame=%llu rss_kb=%ld allocs=", (nowMs - firstFrameWall) / 1000.0,
               static_cast<unsigned long long>(frameCount), residentKb());
  if (allocations)
    std::fprintf(file, "%llu\n", static_cast<unsigned long long>(allocationsAfterFirstFrame()));
  else
    std::fprintf(file, "uncounted\n");
  std::fflush(file);
}

void RunLog::cueTaken(std::uint8_t code, int entry, float timeMs, bool byKey) {
  if (!file) return;
  // Cues are taken at the start of an idle turn, before frameEnds counts it.
  std::fprintf(file, "cue frame=%llu show_ms=%.0f code=%d scene=%d name=%s%s\n",
               static_cast<unsigned long long>(frameCount + 1), static_cast<double>(timeMs), code, entry + 1,
               sceneName(entry), byKey ? " key=1" : "");
}

void RunLog::pauseChanged(bool paused, float timeMs) {
  if (!file) return;
  std::fprintf(file, "%s frame=%llu show_ms=%.0f\n", paused ? "pause" : "resume",
               static_cast<unsigned long long>(frameCount), static_cast<double>(timeMs));
}

void RunLog::screenshotTaken(float timeMs, const std::string& path) {
  if (!file) return;
  std::fprintf(file, "shot frame=%llu show_ms=%.0f file=%s\n", static_cast<unsigned long long>(frameCount),
               static_cast<double>(timeMs), path.empty() ? "-" : path.c_str());
}

void RunLog::writePercentiles(const char* kind, const std::vector<std::uint32_t>& histogram, double maxMs) {
  std::uint64_t total = 0;
  for (std::uint32_t n : histogram) total += n;
  std::fprintf(file, "%s", kind);
  for (int percent : {50, 90, 99}) {
    // The smallest bin that holds at least `percent` per cent of the frames, as its upper edge.
    const auto wanted = std::max<std::uint64_t>(1, (total * static_cast<std::uint64_t>(percent) + 99) / 100);
    std::uint64_t seen = 0;
    std::size_t bin = 0;
    while (bin < histogram.size() && (seen += histogram[bin]) < wanted) ++bin;
    std::fprintf(file, " p%d=%.2f", percent, total == 0 ? 0.0 : std::min(static_cast<double>(bin + 1) * BIN_MS, maxMs));
  }
  std::fprintf(file, " max=%.2f\n", maxMs);
}

bool RunLog::finish(float timeMs, int entry) {
  if (!file) return false;
  if (frameCount > 0) writeMemory(now());
  std::fprintf(file, "end frame=%llu show_ms=%.0f scene=%d name=%s\n", static_cast<unsigned long long>(frameCount),
               static_cast<double>(timeMs), entry + 1, sceneName(entry));
  std::fprintf(file, "frames drawn=%llu\n", static_cast<unsigned long long>(frameCount));
  writePercentiles("frametime_ms", intervals, intervalMax);
  writePercentiles("rendertime_ms", renders, renderMax);
  if (allocations)
    std::fprintf(file, "allocations after_first_frame=%llu in_present=%llu\n",
                 static_cast<unsigned long long>(allocationsAfterFirstFrame()),
                 static_cast<unsigned long long>(inPresent));
  else
    std::fprintf(file, "allocations after_first_frame=uncounted\n");
  // What is still buffered is written now, so a failure here carries its cause.
  errno = 0;
  const bool flushed = std::fflush(file) == 0;
  const bool written = flushed && std::ferror(file) == 0;
  const int cause = errno;
  const bool closed = std::fclose(file) == 0;
  file = nullptr;
  if (written && closed) return true;
  failure = writeFailureCause(cause != 0 ? cause : errno);
  return false;
}
