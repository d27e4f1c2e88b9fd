// Measures a music module as a listener and a tracker would judge it:
//   zod-music-measure MODULE.xm [--scenes] [--wav OUT.wav] [--from SECONDS] [--to SECONDS]
// The module is rendered with libopenmpt at 44100 Hz (its Zxx cues cleared, as the show plays it).
// --scenes adds a line per scene of the show's timeline; --wav keeps the rendering as 16-bit WAV;
// --from and --to measure a stretch of the piece only (the pattern figures still cover it all).
#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "show/XmPatternScan.h"
#include "tools/music/Loudness.h"
#include "tools/music/ModuleStats.h"
#include "tools/music/Song.h"

namespace {

constexpr int RATE = 44100;

struct ModuleCloser {
  void operator()(openmpt_module* m) const { openmpt_module_destroy(m); }
};

class WavWriter {
 public:
  explicit WavWriter(const std::string& path) : file(path, std::ios::binary) { file.write(header(0).data(), 44); }
  bool ok() const { return static_cast<bool>(file); }
  void add(const float* interleaved, std::size_t frames) {
    std::vector<char> bytes(frames * 4);
    for (std::size_t i = 0; i < 2 * frames; ++i) {
      const long v = std::lround(std::clamp(static_cast<double>(interleaved[i]), -1.0, 1.0) * 32767.0);
      bytes[2 * i] = static_cast<char>(v & 0xFF);
      bytes[2 * i + 1] = static_cast<char>((v >> 8) & 0xFF);
    }
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    dataBytes += static_cast<std::uint32_t>(bytes.size());
  }
  void finish() {
    file.seekp(0);
    file.write(header(dataBytes).data(), 44);
  }

 private:
  static std::vector<char> header(std::uint32_t dataBytes) {
    std::vector<char> h;
    auto text = [&](const char* s) { h.insert(h.end(), s, s + 4); };
    auto u32 = [&](std::uint32_t v) {
      for (int i = 0; i < 4; ++i) h.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    auto u16 = [&](unsigned v) {
      h.push_back(static_cast<char>(v & 0xFF));
      h.push_back(static_cast<char>((v >> 8) & 0xFF));
    };
    text("RIFF"), u32(36 + dataBytes), text("WAVE"), text("fmt "), u32(16), u16(1), u16(2), u32(RATE),
        u32(RATE * 4), u16(4), u16(16), text("data"), u32(dataBytes);
    return h;
  }
  std::ofstream file;
  std::uint32_t dataBytes = 0;
};

std::string clock(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%d:%04.1f", static_cast<int>(seconds) / 60, std::fmod(seconds, 60.0));
  return text;
}

void printSpectrum(const measure::LoudnessMeter& m) {
  const double edges[] = {0, 60, 120, 250, 1000, 4000, 1e9};
  const char* names[] = {"<60", "60-120", "120-250", "250-1k", "1k-4k", ">4k"};
  std::printf("  energy by band      ");
  for (int b = 0; b < 6; ++b) std::printf(" %s %.0f%%", names[b], 100.0 * m.energyShare(edges[b], edges[b + 1]));
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::string path, wavPath;
  bool scenes = false, usage = false;
  double from = 0, to = 1e9;
  for (int i = 1; i < argc && !usage; ++i) {
    if (std::strcmp(argv[i], "--scenes") == 0) scenes = true;
    else if (std::strcmp(argv[i], "--wav") == 0 && i + 1 < argc) wavPath = argv[++i];
    else if (std::strcmp(argv[i], "--from") == 0 && i + 1 < argc) from = std::atof(argv[++i]);
    else if (std::strcmp(argv[i], "--to") == 0 && i + 1 < argc) to = std::atof(argv[++i]);
    else if (path.empty() && argv[i][0] != '-') path = argv[i];
    else usage = true;
  }
  if (usage || path.empty() || (scenes && from > 0)) {
    std::fprintf(stderr, "usage: zod-music-measure MODULE.xm [--scenes] [--wav OUT.wav] [--from SECONDS] [--to SECONDS]\n"
                         "       (--scenes measures from the start)\n");
    return 2;
  }
  std::ifstream file(path, std::ios::binary);
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  const auto song = measure::readSongRows(bytes);
  const XmPatternScan scan = XmPatternScan::scan(bytes);
  if (!song || !scan.ok()) {
    std::fprintf(stderr, "%s: not an XM module this tool reads\n", path.c_str());
    return 1;
  }
  const openmpt_module_initial_ctl ctls[] = {{"play.at_end", "stop"}, {"seek.sync_samples", "1"}, {nullptr, nullptr}};
  std::unique_ptr<openmpt_module, ModuleCloser> mod(
      openmpt_module_create_from_memory2(scan.clearedModule().data(), scan.clearedModule().size(),
                                         openmpt_log_func_silent, nullptr, openmpt_error_func_ignore, nullptr,
                                         nullptr, nullptr, ctls));
  if (!mod) {
    std::fprintf(stderr, "%s: libopenmpt cannot play it\n", path.c_str());
    return 1;
  }
  openmpt_module_set_repeat_count(mod.get(), 0);
  if (from > 0) openmpt_module_set_position_seconds(mod.get(), from);
  const auto last = static_cast<std::size_t>(std::max(0.0, to - from) * RATE);

  // One meter for the whole piece and, with --scenes, one per scene of the show's timeline.
  measure::LoudnessMeter whole(RATE);
  std::vector<measure::LoudnessMeter> perScene;
  std::vector<std::size_t> sceneEnds;
  if (scenes) {
    const std::vector<int> starts = music::sceneStartBars();
    for (std::size_t i = 1; i < starts.size(); ++i) {
      perScene.emplace_back(RATE);
      sceneEnds.push_back(static_cast<std::size_t>(starts[i]) * music::BAR_MS / 1000 * RATE);
    }
    sceneEnds.back() = SIZE_MAX;
  }
  std::unique_ptr<WavWriter> wav;
  if (!wavPath.empty()) wav = std::make_unique<WavWriter>(wavPath);

  std::vector<float> buffer(2 * 4096);
  std::size_t rendered = 0, scene = 0;
  while (std::size_t n = openmpt_module_read_interleaved_float_stereo(
             mod.get(), RATE, std::min<std::size_t>(4096, last - rendered), buffer.data())) {
    whole.add(buffer.data(), n);
    if (wav) wav->add(buffer.data(), n);
    for (std::size_t done = 0; scenes && done < n;) {
      const std::size_t take = std::min(n - done, sceneEnds[scene] - (rendered + done));
      perScene[scene].add(buffer.data() + 2 * done, take);
      done += take;
      if (rendered + done == sceneEnds[scene]) ++scene;
    }
    rendered += n;
  }
  if (wav) {
    wav->finish();
    if (!wav->ok()) std::fprintf(stderr, "cannot write %s\n", wavPath.c_str());
  }

  const measure::PatternStats stats = measure::patternStats(*song, music::ROWS_PER_BAR);
  const double seconds = static_cast<double>(rendered) / RATE;
  std::printf("%s: %s from %s, %d bars of %d rows\n", path.c_str(), clock(seconds).c_str(), clock(from).c_str(),
              stats.bars, music::ROWS_PER_BAR);
  std::printf("  distinct bars        %d of %d (%.0f%%)            target >= 60%%\n", stats.distinctBars, stats.bars,
              100.0 * stats.distinctBars / std::max(1, stats.bars));
  std::printf("  tracker commands     %zu                          target >= 8 (cues not counted)\n",
              stats.effectCommands.size() + stats.volumeCommands.size());
  for (const auto* list : {&stats.effectCommands, &stats.volumeCommands}) {
    std::printf("   ");
    for (const std::string& name : *list) std::printf(" [%s]", name.c_str());
    std::printf("\n");
  }
  std::printf("  integrated loudness  %.1f LUFS                  target about -14\n", whole.integrated());
  std::printf("  true peak            %.1f dBTP (samples %.1f dBFS)  target <= -1\n", whole.truePeak(),
              whole.samplePeak());
  std::printf("  loudness range       %.1f LU                     target >= 8\n", whole.range());
  std::printf("  energy below 120 Hz  %.0f%%                       target <= 30%%\n",
              100.0 * whole.energyShare(0, 120));
  printSpectrum(whole);
  std::printf("  side / mid           %.1f dB\n", whole.sideToMid());

  if (scenes) {
    std::printf("\n scene effect              start   LUFS  short-term min..max  dBTP  <120Hz  S/M dB\n");
    double start = 0;
    for (std::size_t i = 0; i < perScene.size(); ++i) {
      const measure::LoudnessMeter& m = perScene[i];
      const auto st = m.shortTerm();
      double lo = 0, hi = -200;
      if (!st.empty()) {
        lo = *std::min_element(st.begin(), st.end());
        hi = *std::max_element(st.begin(), st.end());
      }
      const std::string_view effect = TIMELINE[i].effectName;
      std::printf(" %5zu %-18.*s %7s %6.1f %8.1f .. %6.1f %6.1f %5.0f%% %7.1f\n", i, static_cast<int>(effect.size()),
                  effect.data(), clock(start).c_str(), m.integrated(), lo, hi, m.truePeak(),
                  100.0 * m.energyShare(0, 120), m.sideToMid());
      start += TIMELINE[i].durationMs / 1000.0;
    }
  }
  return 0;
}
