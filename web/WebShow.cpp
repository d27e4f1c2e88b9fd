// The show as a WebAssembly module for the page (web/page/zod.js). The page owns the clock, the
// music and the screen; the module owns everything else and draws exactly what the desktop draws.
//
// Calls from the page: fill the asset table, start the show, then per animation frame hand in the
// cues the audio clock has passed (zod_cue), keys (zod_key) and the show time (zod_frame), and copy
// the RGBA screen out of linear memory. zod_labRun replays a lab script for the browser tests.
// The study page (web/page/study.js) instead goes to exact frames on the 60 fps grid (zod_study*)
// and reads what the scene described from a flat buffer.

#include <cstdint>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/Fatal.h"
#include "base/QuitRequest.h"
#include "lab/Lab.h"
#include "lab/LabScript.h"
#include "render/TrigTables.h"
#include "show/Effect.h"
#include "show/SceneWalk.h"
#include "show/Timeline.h"
#include "stage/Show.h"
#include "stage/ShowScenes.h"
#include "stage/StudyShow.h"
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

struct Study {
  explicit Study(const CueTable& cues) : show(cues), walk(walkShowScenes(cues)) {}
  StudyShow show;
  SceneWalk walk;
  std::vector<Pixel> frame = std::vector<Pixel>(SCREEN_PIXELS, 0);
};
std::unique_ptr<Study> study;

// The study report as the page reads it, little-endian: a header of 16 words (the entry, the show
// time and the entry's start as floats, the counts of values, points, segments and rects, the
// items dropped, then the byte offsets of the four tables), then the tables. A value is 16 bytes:
// its name's and unit's addresses (NUL-terminated) and the number as a double; a point is x, y as
// floats, u, v and the layer as integers; a segment x0, y0, x1, y1 and the layer; a rect x, y,
// width, height and the layer.
constexpr std::size_t REPORT_HEADER_BYTES = 64;
constexpr std::size_t VALUE_BYTES = 16;
constexpr std::size_t ITEM_BYTES = 20;
constexpr std::size_t REPORT_VALUES_AT = REPORT_HEADER_BYTES;
constexpr std::size_t REPORT_POINTS_AT = REPORT_VALUES_AT + StudyReport::MAX_VALUES * VALUE_BYTES;
constexpr std::size_t REPORT_SEGMENTS_AT = REPORT_POINTS_AT + StudyReport::MAX_POINTS * ITEM_BYTES;
constexpr std::size_t REPORT_RECTS_AT = REPORT_SEGMENTS_AT + StudyReport::MAX_SEGMENTS * ITEM_BYTES;
constexpr std::size_t REPORT_BYTES = REPORT_RECTS_AT + StudyReport::MAX_RECTS * ITEM_BYTES;
alignas(8) std::uint8_t flatReport[REPORT_BYTES];

template <typename T>
void put(std::size_t at, T value) {
  std::memcpy(flatReport + at, &value, sizeof value);
}

void putItem(std::size_t at, float a, float b, float c, float d, StudyLayer layer) {
  put(at, a);
  put(at + 4, b);
  put(at + 8, c);
  put(at + 12, d);
  put(at + 16, static_cast<std::uint32_t>(layer));
}

void flattenReport(const StudyReport& report) {
  put<std::int32_t>(0, report.entry());
  put(4, report.timeMs());
  put(8, report.sceneStartMs());
  put(12, static_cast<std::uint32_t>(report.values().size()));
  put(16, static_cast<std::uint32_t>(report.points().size()));
  put(20, static_cast<std::uint32_t>(report.segments().size()));
  put(24, static_cast<std::uint32_t>(report.rects().size()));
  put<std::int32_t>(28, report.dropped());
  put(32, static_cast<std::uint32_t>(REPORT_VALUES_AT));
  put(36, static_cast<std::uint32_t>(REPORT_POINTS_AT));
  put(40, static_cast<std::uint32_t>(REPORT_SEGMENTS_AT));
  put(44, static_cast<std::uint32_t>(REPORT_RECTS_AT));
  std::size_t at = REPORT_VALUES_AT;
  for (const StudyValue& v : report.values()) {
    put(at, reinterpret_cast<std::uintptr_t>(v.name));
    put(at + 4, reinterpret_cast<std::uintptr_t>(v.unit));
    put(at + 8, v.value);
    at += VALUE_BYTES;
  }
  at = REPORT_POINTS_AT;
  for (const StudyPoint& p : report.points()) {
    put(at, p.x);
    put(at + 4, p.y);
    put(at + 8, p.u);
    put(at + 12, p.v);
    put(at + 16, static_cast<std::uint32_t>(p.layer));
    at += ITEM_BYTES;
  }
  at = REPORT_SEGMENTS_AT;
  for (const StudySegment& g : report.segments()) {
    putItem(at, g.x0, g.y0, g.x1, g.y1, g.layer);
    at += ITEM_BYTES;
  }
  at = REPORT_RECTS_AT;
  for (const StudyRect& r : report.rects()) {
    putItem(at, r.x, r.y, r.width, r.height, r.layer);
    at += ITEM_BYTES;
  }
}

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

// The study view. The module's cues at the show's sample rate (music.json's "showCues") are in the
// scratch buffer as `count` pairs of 32-bit words, sample then code; `songFrames` is the song's
// length in those samples. The first frame shown starts the show.
ZOD_EXPORT(zod_studyBegin) int zodStudyBegin(std::uint32_t count, std::uint32_t songFrames) {
  setFatalReporter(&reportToPage);
  std::vector<CueTable::Cue> cues(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint32_t pair[2];
    std::memcpy(pair, scratch.data() + 8 * i, sizeof pair);
    cues[i] = {pair[0], static_cast<std::uint8_t>(pair[1])};
  }
  CueTable table;
  table.assign(std::move(cues), songFrames);
  study = std::make_unique<Study>(table);
  return 1;
}

// Draws frame `index` of the grid, exactly as `zod still` draws its time, into the RGBA buffer and
// flattens its report. 0 when the show ends before it or cannot start: the last frame stays.
ZOD_EXPORT(zod_studyShow) int zodStudyShow(std::int32_t index) {
  if (!study || !study->show.show(index, study->frame.data())) return 0;
  screenToRgba(study->frame.data());
  flattenReport(study->show.report());
  return 1;
}

// Starts, while the page is idle, the fresh show the next step back will use (most of its cost).
ZOD_EXPORT(zod_studyPrepare) void zodStudyPrepare() {
  if (study) study->show.prepare();
}

ZOD_EXPORT(zod_studyPrepared) int zodStudyPrepared() { return study && study->show.prepared() ? 1 : 0; }

ZOD_EXPORT(zod_studyShown) std::int32_t zodStudyShown() {
  return study ? static_cast<std::int32_t>(study->show.shownIndex()) : -1;
}

ZOD_EXPORT(zod_studyReport) const std::uint8_t* zodStudyReport() { return flatReport; }

ZOD_EXPORT(zod_studyFrameWords) Pixel* zodStudyFrameWords() { return study ? study->frame.data() : nullptr; }

ZOD_EXPORT(zod_studyLayers) int zodStudyLayers() { return STUDY_LAYERS; }

ZOD_EXPORT(zod_studyLayerName) const char* zodStudyLayerName(int layer) {
  return studyLayerName(static_cast<StudyLayer>(layer));
}

// The grid: frame n's show time in ms, the frame on screen at a show time, the frame a cue stamped
// at `sample` (the show's sample rate) is taken in.
ZOD_EXPORT(zod_studyFrameMs) std::uint32_t zodStudyFrameMs(std::int32_t index) {
  return StudyShow::grid().counterMs(index);
}
ZOD_EXPORT(zod_studyFrameAt) std::int32_t zodStudyFrameAt(double ms) {
  return static_cast<std::int32_t>(StudyShow::grid().frameAt(static_cast<std::int64_t>(ms * 1000.0)));
}
ZOD_EXPORT(zod_studyCueFrame) std::int32_t zodStudyCueFrame(std::uint32_t sample) {
  return static_cast<std::int32_t>(StudyShow::grid().firstFrameFromSample(sample));
}

// The timeline as the music plays it: each entry's effect name and the music's time it starts at,
// and the time the show ends.
ZOD_EXPORT(zod_studyEntries) int zodStudyEntries() { return TIMELINE_ENTRIES; }
ZOD_EXPORT(zod_studyEntryName) const char* zodStudyEntryName(int entry) { return TIMELINE[entry].effectName.data(); }
ZOD_EXPORT(zod_studyEntryNameLength) int zodStudyEntryNameLength(int entry) {
  return static_cast<int>(TIMELINE[entry].effectName.size());
}
ZOD_EXPORT(zod_studyEntryStartMs) double zodStudyEntryStartMs(int entry) {
  return study ? study->walk.entryStartMs(entry) : 0.0;
}
ZOD_EXPORT(zod_studyEndMs) double zodStudyEndMs() { return study ? study->walk.endMs() : 0.0; }
