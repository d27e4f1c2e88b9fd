// Measures a music module as a listener and a tracker would judge it:
//   zod-music-measure MODULE.xm [--scenes] [--groups] [--wav OUT.wav] [--from SECONDS] [--to SECONDS]
// The module is rendered with libopenmpt at 44100 Hz (its Zxx cues cleared, as the show plays it).
// --scenes adds a line per scene of the show's timeline, the drops after every build and the level
// at the end cue; --groups renders each instrument group alone (the other channels muted) and the
// kick alone; --wav keeps the rendering as 16-bit WAV; --from and --to measure a stretch of the
// piece only (the pattern figures still cover it all).
#include <libopenmpt/libopenmpt.h>
#include <libopenmpt/libopenmpt_ext.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "show/XmPatternScan.h"
#include "tools/music/Arrangement.h"
#include "tools/music/Loudness.h"
#include "tools/music/ModuleStats.h"
#include "tools/music/Score.h"
#include "tools/music/Song.h"
#include "tools/music/Synth.h"

namespace {

constexpr int RATE = 44100;

constexpr std::size_t BAR_FRAMES = RATE * music::BAR_MS / 1000;

struct ModuleCloser {
  void operator()(openmpt_module_ext* m) const { openmpt_module_ext_destroy(m); }
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

// The bands the figures speak of: the sub-bass, all lows, the low mids where chords make mud, the
// boxy mids, the presence range that turns piercing, and the top.
struct Band {
  const char* name;
  double from, to;
};
constexpr Band BANDS[] = {{"<60", 0, 60},        {"<120", 0, 120},      {"120-250", 120, 250},
                          {"250-1k", 250, 1000}, {"1k-4k", 1000, 4000}, {">4k", 4000, 1e9}};

void printSpectrum(const char* label, const measure::LoudnessMeter& m) {
  std::printf("  %-20s", label);
  for (const Band& b : BANDS) std::printf(" %s %.1f%%", b.name, 100.0 * m.energyShare(b.from, b.to));
  std::printf("\n");
}

// The instrument groups by their channels (the layout of tools/music/Score.h).
struct Group {
  const char* name;
  std::vector<int> channels;
};
const std::vector<Group>& groups() {
  using namespace music;
  static const std::vector<Group> list = {
      {"drums", {KICK_CH, CLAP_CH, CLOSED_HAT_CH, OPEN_HAT_CH, PERC_CH, CRASH_CH, FX_CH}},
      {"bass", {BASS_CH, ACID_CH}},
      {"chords", {PAD1_CH, PAD2_CH, PAD3_CH, HOLD_CH, ECHO_CH}},
      {"arp", {ARP_CH, ARP_ECHO_CH}},
      {"lead", {LEAD_LEFT_CH, LEAD_RIGHT_CH}},
  };
  return list;
}

// Where each bar goes besides the whole: its scene, the peaks, the heart scenes, and a meter of its
// own for the bars on either side of a drop.
struct BarRouting {
  std::vector<std::size_t> scene;
  std::vector<bool> peak, heart;
  std::vector<int> watched;  // bars that get a meter of their own
};

BarRouting routeBars() {
  const std::vector<music::PlacedBlock> placed = music::placedBlocks();
  const auto bars = static_cast<std::size_t>(placed.back().bar + placed.back().block.bars);
  BarRouting r{std::vector<std::size_t>(bars), std::vector<bool>(bars), std::vector<bool>(bars), {}};
  for (std::size_t i = 0; i < placed.size(); ++i) {
    const music::PlacedBlock& p = placed[i];
    for (int bar = p.bar; bar < p.bar + p.block.bars; ++bar) {
      const auto b = static_cast<std::size_t>(bar);
      r.scene[b] = p.scene;
      r.peak[b] = music::isPeak(p.block);
      r.heart[b] = TIMELINE[p.scene].effectName == std::string_view("heart");
    }
    if (i > 0 && placed[i - 1].block.ending == music::Ending::Build)
      r.watched.insert(r.watched.end(), {p.bar - 1, p.bar});
  }
  return r;
}

// One pass through the module and its meters.
struct Rendering {
  measure::LoudnessMeter whole{RATE}, peaks{RATE}, heart{RATE};
  std::vector<measure::LoudnessMeter> scenes;
  std::map<int, measure::LoudnessMeter> bars;
  std::size_t frames = 0;
};

using ModulePtr = std::unique_ptr<openmpt_module_ext, ModuleCloser>;

ModulePtr openModule(const std::vector<std::uint8_t>& bytes, std::span<const int> audible) {
  const openmpt_module_initial_ctl ctls[] = {{"play.at_end", "stop"}, {"seek.sync_samples", "1"}, {nullptr, nullptr}};
  ModulePtr mod(openmpt_module_ext_create_from_memory(bytes.data(), bytes.size(), openmpt_log_func_silent, nullptr,
                                                      openmpt_error_func_ignore, nullptr, nullptr, nullptr, ctls));
  if (!mod) return mod;
  openmpt_module_set_repeat_count(openmpt_module_ext_get_module(mod.get()), 0);
  if (!audible.empty()) {
    openmpt_module_ext_interface_interactive interactive{};
    openmpt_module_ext_get_interface(mod.get(), LIBOPENMPT_EXT_C_INTERFACE_INTERACTIVE, &interactive,
                                     sizeof interactive);
    for (int ch = 0; ch < music::CHANNELS; ++ch)
      interactive.set_channel_mute_status(mod.get(), ch, std::ranges::find(audible, ch) == audible.end());
  }
  return mod;
}

// Renders `bytes` (Zxx cleared) from `from` to `to` seconds with only the `audible` channels (all
// when empty), feeding the whole, and with `routing` the scenes, peaks and watched bars.
Rendering render(const std::vector<std::uint8_t>& bytes, std::span<const int> audible, double from, double to,
                 const BarRouting* routing, WavWriter* wav) {
  Rendering out;
  const ModulePtr mod = openModule(bytes, audible);
  if (!mod) return out;
  openmpt_module* m = openmpt_module_ext_get_module(mod.get());
  if (from > 0) openmpt_module_set_position_seconds(m, from);
  if (routing) {
    for (std::size_t i = 0; i < std::size(TIMELINE); ++i) out.scenes.emplace_back(RATE);
    for (int bar : routing->watched) out.bars.emplace(bar, measure::LoudnessMeter(RATE));
  }
  const auto first = static_cast<std::size_t>(from * RATE);
  const auto last = static_cast<std::size_t>(std::max(0.0, to - from) * RATE);
  std::vector<float> buffer(2 * 4096);
  while (std::size_t n = openmpt_module_read_interleaved_float_stereo(
             m, RATE, std::min<std::size_t>(4096, last - out.frames), buffer.data())) {
    out.whole.add(buffer.data(), n);
    if (wav) wav->add(buffer.data(), n);
    for (std::size_t done = 0; routing && done < n;) {
      const std::size_t at = first + out.frames + done;
      const std::size_t bar = at / BAR_FRAMES;
      const std::size_t take = std::min(n - done, (bar + 1) * BAR_FRAMES - at);
      const float* piece = buffer.data() + 2 * done;
      if (bar < routing->scene.size()) {
        out.scenes[routing->scene[bar]].add(piece, take);
        if (routing->peak[bar]) out.peaks.add(piece, take);
        if (routing->heart[bar]) out.heart.add(piece, take);
      }
      if (const auto watched = out.bars.find(static_cast<int>(bar)); watched != out.bars.end())
        watched->second.add(piece, take);
      done += take;
    }
    out.frames += n;
  }
  return out;
}

double decibels(double ratio) { return 10.0 * std::log10(std::max(ratio, 1e-30)); }

// The kick's body's decay time in ms: how long its part below about 150 Hz takes to fall from its
// crest to 1/e (-8.7 dB), the kick channel alone from the first peak bar's downbeat.
double kickBodyMs(const std::vector<std::uint8_t>& bytes, double at) {
  const int kick[] = {music::KICK_CH};
  const ModulePtr mod = openModule(bytes, kick);
  if (!mod) return 0;
  openmpt_module* m = openmpt_module_ext_get_module(mod.get());
  openmpt_module_set_position_seconds(m, at);
  std::vector<float> buffer(2 * RATE / 2);  // up to the next beat
  const std::size_t n = openmpt_module_read_interleaved_float_stereo(m, RATE, RATE / 2, buffer.data());
  // Two one-pole low-passes at 150 Hz, then the crest of every 5 ms.
  const double k = 1.0 - std::exp(-2.0 * 3.14159265358979 * 150.0 / RATE);
  double y1 = 0, y2 = 0;
  std::vector<double> envelope;
  constexpr std::size_t STEP = RATE / 200;
  for (std::size_t i = 0; i < n; ++i) {
    y1 += k * (0.5 * (buffer[2 * i] + buffer[2 * i + 1]) - y1);
    y2 += k * (y1 - y2);
    if (i % STEP == 0) envelope.push_back(0);
    envelope.back() = std::max(envelope.back(), std::fabs(y2));
  }
  if (envelope.empty()) return 0;
  const auto crest = std::ranges::max_element(envelope);
  const auto fallen = std::find_if(crest, envelope.end(), [&](double e) { return e < *crest / 2.718281828459045; });
  return 5.0 * static_cast<double>(fallen - crest);
}

// The samples that shape the tonal sound: the acid bass's brightness steps and how fast their
// sweep falls (to 1/e of its travel, from the sample's brightness window by window), the arp's
// pluck, the choir's octaves, and how many bars play the arp in sixteenths.
void printSamples(const measure::SongRows& song) {
  using namespace music;
  const std::vector<xm::Instrument> instruments = makeInstruments();
  const xm::Sample& acid = instruments[ACID + ACID_STEPS / 2 - 1].samples.front();
  const std::span<const std::int16_t> pcm(acid.pcm);
  const std::size_t window = 256;
  const double settled = measure::brightnessHz(pcm.subspan(acid.loopStart), TONAL_RATE);
  const double opened = measure::brightnessHz(pcm.first(window), TONAL_RATE);
  std::size_t fallen = 0;
  while (fallen + window <= acid.loopStart &&
         measure::brightnessHz(pcm.subspan(fallen, window), TONAL_RATE) - settled > (opened - settled) / 2.718281828)
    fallen += window / 8;
  std::printf(
      "  acid one-shot        %d brightness steps of %zu frames, Q %.1f; sweep %.0f ms (made with %.0f ms), %.0f "
      "to %.0f Hz\n",
      ACID_STEPS, acid.pcm.size(), ACID_Q, 1000.0 * static_cast<double>(fallen) / TONAL_RATE,
      1000.0 * ACID_SWEEP_SECONDS, opened, settled);
  std::printf("  %-20s target >= 12 steps, >= 8k frames, 80-150 ms, Q >= 4\n", "");
  const xm::Instrument& arp = instruments[ARP - 1];
  const int sixteenths = measure::barsWithSixteenths(song, ROWS_PER_BAR, ARP);
  const auto bars = static_cast<int>(song.rows.size()) / ROWS_PER_BAR;
  std::printf(
      "  arp one-shot         %zu registers of %zu frames, %.0f Hz falling to %.0f Hz; sixteenths in %d of %d "
      "bars (%.0f%%)   target >= 4k frames, <= 35%%\n",
      arp.samples.size(), arp.samples.front().pcm.size(),
      measure::brightnessHz(std::span(arp.samples.front().pcm).first(window), TONAL_RATE),
      measure::brightnessHz(std::span(arp.samples.front().pcm).subspan(arp.samples.front().loopStart), TONAL_RATE),
      sixteenths, bars, 100.0 * sixteenths / std::max(1, bars));
  std::printf("  choir                %zu samples, one per octave from C-%d; brightness",
              instruments[VOX - 1].samples.size(), VOX_LOWEST_OCTAVE);
  for (const xm::Sample& s : instruments[VOX - 1].samples)
    std::printf(" %.0f", measure::brightnessHz(s.pcm, TONAL_RATE));
  std::printf(" Hz (the formants hold still)\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::string path, wavPath;
  bool scenes = false, withGroups = false, usage = false;
  double from = 0, to = 1e9;
  for (int i = 1; i < argc && !usage; ++i) {
    if (std::strcmp(argv[i], "--scenes") == 0) scenes = true;
    else if (std::strcmp(argv[i], "--groups") == 0)
      withGroups = true;
    else if (std::strcmp(argv[i], "--wav") == 0 && i + 1 < argc) wavPath = argv[++i];
    else if (std::strcmp(argv[i], "--from") == 0 && i + 1 < argc) from = std::atof(argv[++i]);
    else if (std::strcmp(argv[i], "--to") == 0 && i + 1 < argc) to = std::atof(argv[++i]);
    else if (path.empty() && argv[i][0] != '-') path = argv[i];
    else usage = true;
  }
  if (usage || path.empty() || ((scenes || withGroups) && from > 0)) {
    std::fprintf(stderr,
                 "usage: zod-music-measure MODULE.xm [--scenes] [--groups] [--wav OUT.wav] [--from SECONDS] "
                 "[--to SECONDS]\n       (--scenes and --groups measure from the start)\n");
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
  std::unique_ptr<WavWriter> wav;
  if (!wavPath.empty()) wav = std::make_unique<WavWriter>(wavPath);
  const BarRouting routing = routeBars();
  const BarRouting* routed = scenes || withGroups ? &routing : nullptr;
  const Rendering mix = render(scan.clearedModule(), {}, from, to, routed, wav.get());
  if (mix.frames == 0) {
    std::fprintf(stderr, "%s: libopenmpt cannot play it\n", path.c_str());
    return 1;
  }
  if (wav) {
    wav->finish();
    if (!wav->ok()) std::fprintf(stderr, "cannot write %s\n", wavPath.c_str());
  }
  const measure::LoudnessMeter& whole = mix.whole;

  const measure::PatternStats stats = measure::patternStats(*song, music::ROWS_PER_BAR);
  const double seconds = static_cast<double>(mix.frames) / RATE;
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
  printSpectrum("energy by band", whole);
  std::printf("  side / mid           %.1f dB, correlation %.2f\n", whole.sideToMid(), whole.correlation());
  printSamples(*song);
  if (routed) {
    std::printf("  peaks                %.1f LUFS over %.0f s\n", mix.peaks.integrated(),
                static_cast<double>(mix.peaks.frames()) / RATE);
    printSpectrum("peaks by band", mix.peaks);
    std::printf("  %-20s target <120 20-30%%, <60 >= 4%%, 250-1k <= 35%%, >4k 8-12%%\n", "");
  }

  if (scenes) {
    std::printf(
        "\n scene effect             start   LUFS  short-term min..max  dBTP   <60  <120 120-250 250-1k 1k-4k  "
        ">4k  S/M dB  corr\n");
    double start = 0;
    for (std::size_t i = 0; i < mix.scenes.size(); ++i) {
      const measure::LoudnessMeter& m = mix.scenes[i];
      const auto st = m.shortTerm();
      double lo = 0, hi = -200;
      if (!st.empty()) {
        lo = *std::min_element(st.begin(), st.end());
        hi = *std::max_element(st.begin(), st.end());
      }
      const std::string_view effect = TIMELINE[i].effectName;
      std::printf(" %5zu %-14.*s %7s %6.1f %8.1f .. %6.1f %6.1f", i + 1, static_cast<int>(effect.size()), effect.data(),
                  clock(start).c_str(), m.integrated(), lo, hi, m.truePeak());
      for (const Band& b : BANDS) std::printf(" %5.1f", 100.0 * m.energyShare(b.from, b.to));
      std::printf(" %7.1f %5.2f\n", m.sideToMid(), m.correlation());
      start += TIMELINE[i].durationMs / 1000.0;
    }
    std::printf("  targets: 1k-4k <= 30%% and S/M >= -10 dB in every scene\n");

    std::printf("\n drops: the first bar after each build against the build's last bar\n");
    std::printf("   at       LU  <120 Hz dB  >4k dB   (targets into a peak: >= +4 LU, >= +3 dB below 120 Hz)\n");
    for (std::size_t w = 0; w + 1 < routing.watched.size(); w += 2) {
      const measure::LoudnessMeter& build = mix.bars.at(routing.watched[w]);
      const measure::LoudnessMeter& drop = mix.bars.at(routing.watched[w + 1]);
      const int bar = routing.watched[w + 1];
      std::printf("   %-7s %+5.1f %+10.1f %+7.1f  %s\n", clock(bar * music::BAR_MS / 1000.0).c_str(),
                  drop.integrated() - build.integrated(), decibels(drop.bandEnergy(0, 120) / build.bandEnergy(0, 120)),
                  decibels(drop.bandEnergy(4000, 1e9) / build.bandEnergy(4000, 1e9)),
                  routing.peak[static_cast<std::size_t>(bar)] ? "into a peak" : "");
    }

    const auto plan = music::cuePlan();
    const double endCue = plan.back().row * music::ROW_SECONDS;
    const auto st = whole.shortTerm();
    const long index = std::lround(endCue * 10) - 30;
    std::printf("\n short-term loudness at the end cue (%s): %.1f LUFS   target <= -50\n", clock(endCue).c_str(),
                index >= 0 && index < static_cast<long>(st.size()) ? st[static_cast<std::size_t>(index)] : -200.0);
  }

  if (withGroups) {
    std::printf("\n groups alone (other channels muted); shares are of the full mix's energy in that band\n");
    std::printf(" group     LUFS  peaks  vs mix  | peaks: <60  <120 120-250 250-1k 1k-4k  >4k | heart 120-250\n");
    for (const Group& g : groups()) {
      const Rendering alone = render(scan.clearedModule(), g.channels, 0, 1e9, &routing, nullptr);
      std::printf(" %-7s %6.1f %6.1f %+7.1f  |      ", g.name, alone.whole.integrated(), alone.peaks.integrated(),
                  alone.peaks.integrated() - mix.peaks.integrated());
      for (const Band& b : BANDS)
        std::printf(" %5.1f", 100.0 * alone.peaks.bandEnergy(b.from, b.to) / mix.peaks.bandEnergy(b.from, b.to));
      std::printf(" | %5.1f\n", 100.0 * alone.heart.bandEnergy(120, 250) / mix.heart.bandEnergy(120, 250));
    }
    std::printf("  targets: drums within 5 LU of the mix in the peaks, at least half of >4k from the drums\n");
    const auto firstPeak = std::ranges::find(routing.peak, true) - routing.peak.begin();
    std::printf(" kick body decay (below 150 Hz, crest to 1/e): %.0f ms   target >= 150\n",
                kickBodyMs(scan.clearedModule(), static_cast<double>(firstPeak) * music::BAR_MS / 1000.0));
  }
  return 0;
}
