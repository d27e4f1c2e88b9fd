#include "show/ModuleRenderer.h"

#include <libopenmpt/libopenmpt.h>
#include <libopenmpt/libopenmpt_ext.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <vector>

namespace {
constexpr std::uint64_t NEVER = std::numeric_limits<std::uint64_t>::max();
// An XM tick lasts 2.5 s / tempo; libopenmpt rounds it to whole samples.
constexpr double TICK_SECONDS_TIMES_TEMPO = 2.5;

// A module the library refuses is the caller's to report; memory that ran out is not the
// module's fault, and goes the way of every failed allocation.
bool failed(int error) {
  if (error == OPENMPT_ERROR_OUT_OF_MEMORY) throw std::bad_alloc();
  return false;
}
}  // namespace

std::uint32_t ModuleRenderer::libraryVersion() { return openmpt_get_library_version(); }

bool ModuleRenderer::librarySupported() { return libraryVersion() >= OLDEST_LIBRARY_VERSION; }

ModuleRenderer::~ModuleRenderer() { close(); }

void ModuleRenderer::close() {
  if (extended)
    openmpt_module_ext_destroy(extended);
  else if (mod)
    openmpt_module_destroy(mod);
  extended = nullptr;
  mod = nullptr;
}

bool ModuleRenderer::open(std::span<const std::uint8_t> module, Mixing mixing) {
  close();
  scanned = XmPatternScan::scan(module);
  position = 0;
  ended = false;
  order = pattern = row = -1;
  // Row 0 starts at sample 0: the first read is a single frame, so its events get stamp 0.
  nextRowEarliest = nextRowLatest = 0;
  rowLength = 0;
  if (!scanned.ok()) return false;

  const std::vector<std::uint8_t>& cleared = scanned.clearedModule();
  // The song plays once and ends where it ends: the default fade-out would go on rendering with
  // the position already wrapped to the start, and its rows would look like new rows.
  // A seek also places the notes already playing where they would be, not only the rows.
  const openmpt_module_initial_ctl ctls[] = {
      {"play.at_end", "stop"}, {"seek.sync_samples", "1"}, {nullptr, nullptr}};
  if (mixing == Mixing::Audible) {
    int error = OPENMPT_ERROR_OK;
    mod = openmpt_module_create_from_memory2(cleared.data(), cleared.size(), openmpt_log_func_silent, nullptr,
                                             openmpt_error_func_ignore, nullptr, &error, nullptr, ctls);
    if (!mod) return failed(error);
  } else {
    int error = OPENMPT_ERROR_OK;
    extended = openmpt_module_ext_create_from_memory(cleared.data(), cleared.size(), openmpt_log_func_silent, nullptr,
                                                     openmpt_error_func_ignore, nullptr, &error, nullptr, ctls);
    if (!extended) return failed(error);
    mod = openmpt_module_ext_get_module(extended);
    openmpt_module_ext_interface_interactive interactive{};
    if (!mod || !openmpt_module_ext_get_interface(extended, LIBOPENMPT_EXT_C_INTERFACE_INTERACTIVE, &interactive,
                                                  sizeof interactive)) {
      close();
      return false;
    }
    const int channels = openmpt_module_get_num_channels(mod);
    for (int channel = 0; channel < channels; ++channel) interactive.set_channel_mute_status(extended, channel, 1);
  }
  openmpt_module_set_repeat_count(mod, 0);
  return true;
}

std::uint64_t ModuleRenderer::seek(std::uint64_t frame) {
  if (!mod) return 0;
  const double landed = openmpt_module_set_position_seconds(mod, static_cast<double>(frame) / rate);
  position = static_cast<std::uint64_t>(std::llround(std::max(landed, 0.0) * rate));
  ended = false;
  // The row seeked to is new: the first read (a single frame) reports it, stamped exactly.
  order = pattern = row = -1;
  nextRowEarliest = nextRowLatest = position;
  rowLength = 0;
  return position;
}

std::uint64_t ModuleRenderer::seekAtOrBefore(std::uint64_t frame) {
  std::uint64_t landed = seek(frame);
  // Ask earlier and earlier until the landing row is not late; the start is a row.
  for (std::uint64_t back = SAMPLE_RATE / 8; landed > frame; back *= 2) {
    const std::uint64_t ask = frame > back ? frame - back : 0;
    landed = seek(ask);
    if (ask == 0) break;
  }
  return landed;
}

bool ModuleRenderer::playSilently(std::span<const std::uint8_t> module, EventSink& sink, std::uint64_t& songFrames) {
  songFrames = 0;
  if (!open(module, Mixing::Silent)) return false;
  // Long reads: the renderer splits them at the rows itself.
  constexpr std::size_t READ = 1 << 16;
  std::vector<float> scratch(2 * READ);
  while (render(scratch.data(), READ, sink) == READ) {
  }
  songFrames = renderedFrames();
  return true;
}

std::size_t ModuleRenderer::render(float* interleaved, std::size_t frames, EventSink& sink) {
  if (!mod || ended) return 0;
  std::size_t done = 0;
  while (done < frames) {
    std::size_t want = std::min(MAX_READ_FRAMES, frames - done);
    if (position >= nextRowEarliest && position <= nextRowLatest) {
      want = 1;
    } else if (position < nextRowEarliest) {
      want = static_cast<std::size_t>(std::min<std::uint64_t>(want, nextRowEarliest - position));
    }
    const std::size_t got =
        openmpt_module_read_interleaved_float_stereo(mod, rate, want, interleaved + 2 * done);
    const std::uint64_t readStart = position;
    position += got;
    done += got;
    if (got < want) {
      // The song has ended; the position may already stand at its start again, so a row change
      // seen now is not a row that plays.
      ended = true;
      break;
    }

    const int newOrder = openmpt_module_get_current_order(mod);
    const int newPattern = openmpt_module_get_current_pattern(mod);
    const int newRow = openmpt_module_get_current_row(mod);
    if (newOrder != order || newPattern != pattern || newRow != row) {
      order = newOrder;
      pattern = newPattern;
      row = newRow;
      sink.onRowStart(readStart, order, pattern, row);
      for (const ZxxCell& cell : scanned.cellsAt(pattern, row)) sink.onZxxEvent(readStart, cell.code);
      noteRowChange(readStart, got - 1);
    } else if (rowLength > 0 && position > nextRowLatest) {
      // No new row where one was due: a pattern delay plays this row again, for a whole row.
      nextRowEarliest += rowLength;
      nextRowLatest += rowLength;
    }
  }
  return done;
}

void ModuleRenderer::noteRowChange(std::uint64_t rowStart, std::uint64_t uncertainty) {
  const int speed = openmpt_module_get_current_speed(mod);
  const int tempo = openmpt_module_get_current_tempo(mod);
  if (speed <= 0 || tempo <= 0) {
    rowLength = 0;
    nextRowEarliest = nextRowLatest = NEVER;
    return;
  }
  const double length = speed * (rate * TICK_SECONDS_TIMES_TEMPO) / tempo;
  rowLength = static_cast<std::uint64_t>(std::llround(length));
  // Rounding each tick to whole samples moves the row's end by up to one sample per tick.
  const std::uint64_t margin = static_cast<std::uint64_t>(speed) + 2;
  nextRowEarliest = rowStart + rowLength - std::min(rowLength, margin);
  nextRowLatest = rowStart + uncertainty + rowLength + margin;
}
