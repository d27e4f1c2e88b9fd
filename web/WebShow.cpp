// The show as a WebAssembly module for the page (web/page/zod.js). The page owns the clock, the
// music and the screen; the module owns everything else and draws exactly what the desktop draws.
//
// Calls from the page: fill the asset table, start the show, then per animation frame hand in the
// cues the audio clock has passed (zod_cue), keys (zod_key) and the show time (zod_frame), and copy
// the RGBA screen out of linear memory. zod_labRun replays a lab script for the browser tests.

#include <cstdint>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/Fatal.h"
#include "lab/Lab.h"
#include "lab/LabScript.h"
#include "base/QuitRequest.h"
#include "stage/Show.h"
#include "render/TrigTables.h"
#include "show/Effect.h"
#include "web/platform/AssetTable.h"

#define ZOD_EXPORT(name) extern "C" __attribute__((export_name(#name)))
#define ZOD_IMPORT(name) extern "C" __attribute__((import_module("zod"), import_name(#name)))

// The page shows a report on the page instead of a message box.
ZOD_IMPORT(fatal) void hostFatal(const char* caption, const char* text);
// One frame of a lab script: its index, the timeline entry after it, the quit flag, the frame.
ZOD_IMPORT(labFrame) void hostLabFrame(int index, int entry, int quit, const Pixel* frame);
// A message for the page's console (a malformed lab script).
ZOD_IMPORT(message) void hostMessage(const char* text);

namespace {

struct LiveShow {
  ManualMillisecondCounter counter;
  std::unique_ptr<Show> show;
  // The 512 x 384 screen, cleared once: the bars are never written, as on the desktop.
  std::vector<Pixel> frame = std::vector<Pixel>(SCREEN_PIXELS, 0);
};

std::unique_ptr<LiveShow> live;
std::vector<char> scratch;
// What the page puts on its canvas: the screen as R, G, B, A bytes.
std::vector<std::uint32_t> rgba(SCREEN_PIXELS, 0);
std::unique_ptr<Effect> benchEffect;
std::vector<Pixel> benchFrame;

// Pixel words hold R, G and B from bit 16 down; the canvas wants the bytes R, G, B, A in memory,
// which a little-endian word reads as A, B, G, R from the top.
void screenToRgba(const Pixel* frame) {
  const Pixel* drawn = frame;
  for (int i = 0; i < SCREEN_PIXELS; ++i) rgba[i] = 0xFF000000u;
  std::uint32_t* out = rgba.data() + LETTERBOX_ROWS * FRAME_WIDTH;
  for (int i = 0; i < FRAME_PIXELS; ++i) {
    const Pixel p = drawn[i];
    out[i] = 0xFF000000u | ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu);
  }
}

void reportToPage(const char* caption, const char* text) { hostFatal(caption, text); }

}  // namespace

// A buffer of at least `size` bytes for the page to pass names and scripts in.
ZOD_EXPORT(zod_scratch) char* zodScratch(std::uint32_t size) {
  if (scratch.size() < size + 1) scratch.resize(size + 1);
  return scratch.data();
}

// Room for the file `name` (in the scratch buffer, nameLength bytes) of `size` bytes.
ZOD_EXPORT(zod_reserveAsset) std::uint8_t* zodReserveAsset(std::uint32_t nameLength, std::uint32_t size) {
  return reserveAsset(std::string(scratch.data(), nameLength), size);
}

// Runs the show's start-up (pictures, tables, timeline). False when it reported a fault: the page
// has then been told why, and the show does not run.
ZOD_EXPORT(zod_start) int zodStart() {
  setFatalReporter(&reportToPage);
  clearQuitRequest();
  live = std::make_unique<LiveShow>();
  // No sound device: the page plays the music and posts its cues.
  ShowOptions options;
  options.startMusic = false;
  live->show = std::make_unique<Show>(live->counter, options);
  return quitRequested() ? 0 : 1;
}

// One idle turn at show time `timeMs` (whole milliseconds, as the desktop's counter reads), then
// the screen into the RGBA buffer. Returns 1 once the show has ended.
ZOD_EXPORT(zod_frame) int zodFrame(std::uint32_t timeMs) {
  if (!live) return 1;
  if (quitRequested()) return 1;
  live->counter.set(timeMs);
  live->show->engine().turn(live->frame.data());
  screenToRgba(live->frame.data());
  return quitRequested() ? 1 : 0;
}

// A cue from the music: the latest one before a frame wins, as on the desktop.
ZOD_EXPORT(zod_cue) void zodCue(std::uint32_t code) {
  if (live) live->show->engine().sync().post(static_cast<std::uint8_t>(code));
}

// A key other than Escape: the latest cue again.
ZOD_EXPORT(zod_key) void zodKey() {
  if (live) live->show->engine().sync().repeat();
}

ZOD_EXPORT(zod_entry) int zodEntry() { return live ? live->show->engine().sequencer().currentIndex() : -1; }

ZOD_EXPORT(zod_rgba) std::uint32_t* zodRgba() { return rgba.data(); }

ZOD_EXPORT(zod_frameWords) Pixel* zodFrameWords() { return live ? live->frame.data() : nullptr; }

// Replays the lab script in the scratch buffer (scriptLength bytes) exactly as `zod lab` does,
// handing each frame to the page as RGBA too. 0 on success, 2 on a malformed script.
ZOD_EXPORT(zod_labRun) int zodLabRun(std::uint32_t scriptLength) {
  std::istringstream in(std::string(scratch.data(), scriptLength));
  LabScript script;
  std::string error;
  if (!parseLabScript(in, script, error)) {
    hostMessage(error.c_str());
    return 2;
  }
  setFatalReporter(&reportToPage);
  runLabScript(script, [](const LabFrame& f) {
    screenToRgba(f.frame);
    hostLabFrame(f.index, f.entry, f.quit ? 1 : 0, f.frame);
  });
  return 0;
}

// The benchmark: one effect alone (a name `effect` takes, in the scratch buffer), initialised,
// then frames drawn at the times the page chooses.
ZOD_EXPORT(zod_benchBegin) int zodBenchBegin(std::uint32_t nameLength) {
  fillTrigTables();
  benchEffect = makeLabEffect(std::string(scratch.data(), nameLength));
  if (!benchEffect) return 0;
  benchFrame.assign(SCREEN_PIXELS, 0);
  benchEffect->init();
  return 1;
}

ZOD_EXPORT(zod_benchRender) void zodBenchRender(float timeMs) {
  if (benchEffect) benchEffect->render(benchFrame.data(), timeMs);
}
