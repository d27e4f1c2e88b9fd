// zod-web-assets: prepares the files of the web page that need the desktop's own code.
//
//   zod-web-assets pictures ASSET_DIR OUT_DIR GZIP
//     Packs every picture of image/ShowPictures.h for the page, gzip-compressed by GZIP (-9 -n) as
//     OUT_DIR/NAME.gz, and lists the names the module looks them up by in OUT_DIR/pictures.json.
//     JPEG textures are decoded first with the show's decoder into headerless RGB triplets
//     (NAME.rgb), so the page shows the very pixels the desktop shows without a JPEG decoder; the
//     others go as they are, since the module decodes them itself.
//   zod-web-assets thumbs ASSET_DIR OUT_DIR
//     Starts every effect of the catalogue to learn which pictures each loads, writes each of those
//     pictures, decoded by the show's loaders and scaled down to THUMB_WIDTH pixels wide, as
//     OUT_DIR/thumb-NAME.png, and lists them per effect in OUT_DIR/howitworks.json for the study
//     page's "how it works" panels.
//   zod-web-assets music IN.xm OUT_DIR FFMPEG [HEAD.f32]
//     Renders the module once at 48000 Hz, the rate of a browser's audio clock, with the desktop's
//     renderer (float samples: no dither), pipes the samples into FFMPEG to encode Ogg Opus files
//     (OUT_DIR/zod-NNN.opus: 5 s, 10 s, 20 s, then 30 s each), and writes OUT_DIR/music.json: those files with
//     their first samples, and the cue table, every Zxx cue with the sample its row starts at; and
//     the same table at the show's own rate as the desktop learns it ("showCues", with the song's
//     length in those samples, "showSamples"), from which the study page's exact frames take
//     their cues.
//     HEAD.f32 receives the first 40 s as rendered (interleaved floats), to check a browser's
//     decoding against.
//   zod-web-assets tracker IN.xm OUT_DIR GZIP
//     Writes OUT_DIR/tracker.json.gz (gzip -9 -n) for the page's tracker view: the module's channel
//     count, the cue channel (the one holding the most Zxx), the order list, every pattern's rows
//     as the show's XM scanner reads them (one string a row: per channel "." for an empty cell,
//     else note, instrument, volume, effect and parameter as ten hex digits), and every row in
//     playing order as [order, row, samples since the previous row's start] at 48000 Hz, learnt as
//     the cue table is, so a cue's sample is the start of the row holding its Zxx.
//
// Exit code 0 on success, 1 on failure (with a message on stderr).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "base/AssetDirectory.h"
#include "base/Fatal.h"
#include "base/QuitRequest.h"
#include "effects/EffectCatalogue.h"
#include "image/Loaders.h"
#include "image/PngFile.h"
#include "image/ShowPictures.h"
#include "show/CueTable.h"
#include "show/ModuleRenderer.h"
#include "show/PlayedRows.h"
#include "show/XmPatternScan.h"

namespace {

constexpr int WEB_SAMPLE_RATE = 48000;

// The pixels of a JPEG picture as the show's decoder gives them, as RGB triplets; false (the
// loader has said why on stderr) when it cannot be decoded.
bool decodeJpegToRgb(const std::string& path, const ShowPicture& picture, std::vector<char>& bytes) {
  std::vector<Pixel> pixels(picture.pixels(), 0);
  clearQuitRequest();
  loadJpeg(pixels.data(), path.c_str(), picture.width, picture.height);
  if (quitRequested()) return false;
  bytes.clear();
  bytes.reserve(pixels.size() * 3);
  for (Pixel p : pixels) {
    bytes.push_back(static_cast<char>(p >> 16));
    bytes.push_back(static_cast<char>(p >> 8));
    bytes.push_back(static_cast<char>(p));
  }
  return true;
}

// Writes `bytes` through the gzip program to `path`: the same bytes as gzip -9 -n on a file.
bool writeGzipped(const std::string& gzip, const std::vector<char>& bytes, const std::string& path) {
  const std::string command = "\"" + gzip + "\" -9 -n -c > \"" + path + "\"";
  std::FILE* pipe = popen(command.c_str(), "w");
  bool ok = pipe && std::fwrite(bytes.data(), 1, bytes.size(), pipe) == bytes.size();
  if (pipe && pclose(pipe) != 0) ok = false;
  if (!ok) std::fprintf(stderr, "zod-web-assets: cannot compress %s\n", path.c_str());
  return ok;
}

int packPictures(const std::string& assetDir, const std::string& outDir, const std::string& gzip) {
  std::string names;
  for (const ShowPicture& picture : SHOW_PICTURES) {
    const std::string in = assetDir + "/" + picture.name;
    std::string name = picture.name;
    std::vector<char> bytes;
    if (picture.format == PictureFormat::Jpeg) {
      // The module's JPEG loader looks the decoded pixels up under the picture's name plus ".rgb".
      name += ".rgb";
      if (!decodeJpegToRgb(in, picture, bytes)) return 1;
    } else {
      std::ifstream file(in, std::ios::binary);
      bytes.assign(std::istreambuf_iterator<char>(file), {});
      if (!file) {
        std::fprintf(stderr, "zod-web-assets: cannot read %s\n", in.c_str());
        return 1;
      }
    }
    if (!writeGzipped(gzip, bytes, outDir + "/" + name + ".gz")) return 1;
    names += (names.empty() ? "\"" : ",\"") + name + "\"";
  }
  // Written last: the build takes this file as the sign that every picture is packed.
  const std::string listOut = outDir + "/pictures.json";
  std::ofstream json(listOut);
  json << "[" << names << "]\n";
  if (!json) {
    std::fprintf(stderr, "zod-web-assets: cannot write %s\n", listOut.c_str());
    return 1;
  }
  return 0;
}

// The thumbnails' width: small enough that all of them together stay a few tens of kilobytes.
constexpr int THUMB_WIDTH = 96;

// The pictures the effect being started has loaded so far, in its order.
std::vector<const ShowPicture*> picturesLoaded;

void notePictureLoad(const ShowPicture& picture) {
  for (const ShowPicture& known : SHOW_PICTURES)
    if (std::string(known.name) == picture.name) {
      if (std::find(picturesLoaded.begin(), picturesLoaded.end(), &known) == picturesLoaded.end())
        picturesLoaded.push_back(&known);
      return;
    }
}

// `pixels` (width x height) averaged down to at most THUMB_WIDTH columns, the height in proportion.
std::vector<Pixel> scaledDown(const std::vector<Pixel>& pixels, int width, int height, int& thumbWidth,
                              int& thumbHeight) {
  thumbWidth = std::min(width, THUMB_WIDTH);
  thumbHeight = std::max(1, height * thumbWidth / width);
  std::vector<Pixel> thumb(static_cast<std::size_t>(thumbWidth) * thumbHeight);
  for (int y = 0; y < thumbHeight; ++y) {
    const int top = y * height / thumbHeight;
    const int bottom = std::max(top + 1, (y + 1) * height / thumbHeight);
    for (int x = 0; x < thumbWidth; ++x) {
      const int left = x * width / thumbWidth;
      const int right = std::max(left + 1, (x + 1) * width / thumbWidth);
      unsigned sum[3] = {0, 0, 0};
      for (int sy = top; sy < bottom; ++sy)
        for (int sx = left; sx < right; ++sx) {
          const Pixel p = pixels[static_cast<std::size_t>(sy) * width + sx];
          sum[0] += (p >> 16) & 0xFF;
          sum[1] += (p >> 8) & 0xFF;
          sum[2] += p & 0xFF;
        }
      const unsigned count = static_cast<unsigned>((bottom - top) * (right - left));
      thumb[static_cast<std::size_t>(y) * thumbWidth + x] =
          static_cast<Pixel>((sum[0] / count) << 16 | (sum[1] / count) << 8 | sum[2] / count);
    }
  }
  return thumb;
}

int writeThumbnails(const std::string& assetDir, const std::string& outDir) {
  setAssetDirectory(assetDir);
  clearQuitRequest();
  listenToPictureLoads(notePictureLoad);
  std::string effects;
  std::vector<const ShowPicture*> used;
  for (const EffectKind& kind : effectCatalogue()) {
    picturesLoaded.clear();
    kind.make()->init();
    if (quitRequested()) return 1;
    std::string names;
    for (const ShowPicture* picture : picturesLoaded) {
      names += (names.empty() ? "\"" : ",\"") + std::string(picture->name) + "\"";
      if (std::find(used.begin(), used.end(), picture) == used.end()) used.push_back(picture);
    }
    effects += (effects.empty() ? "\"" : ",\"") + std::string(kind.name) + "\":[" + names + "]";
  }
  listenToPictureLoads(nullptr);
  std::string thumbs;
  for (const ShowPicture* picture : used) {
    // The loaders write 0x00RRGGBB pixels only, so a top byte left set marks a pixel never written:
    // a PCX picture fills its array from the top, in rows of its own width, as far as the file goes.
    constexpr Pixel UNWRITTEN = 0xFF000000u;
    std::vector<Pixel> pixels(picture->pixels(), UNWRITTEN);
    loadShowPicture(pixels.data(), *picture);
    if (quitRequested()) return 1;
    int width = picture->width;
    int height = picture->height;
    if (picture->format == PictureFormat::Pcx) {
      width = PCX_WIDTH;
      height = 0;
      while (static_cast<std::size_t>(height + 1) * width <= pixels.size() &&
             pixels[static_cast<std::size_t>(height) * width] != UNWRITTEN)
        ++height;
    }
    int thumbWidth = 0;
    int thumbHeight = 0;
    const std::vector<Pixel> thumb = scaledDown(pixels, width, height, thumbWidth, thumbHeight);
    const std::string name = picture->name;
    const std::string file = "thumb-" + name.substr(0, name.find('.')) + ".png";
    std::string why;
    if (!writePngFile(outDir + "/" + file, thumb.data(), thumbWidth, thumbHeight, &why)) {
      std::fprintf(stderr, "zod-web-assets: cannot write %s/%s: %s\n", outDir.c_str(), file.c_str(), why.c_str());
      return 1;
    }
    thumbs += (thumbs.empty() ? "\"" : ",\"") + name + "\":{\"file\":\"" + file +
              "\",\"width\":" + std::to_string(width) + ",\"height\":" + std::to_string(height) + "}";
  }
  // Written last: the build takes this file as the sign that every thumbnail is written.
  const std::string listOut = outDir + "/howitworks.json";
  std::ofstream json(listOut);
  json << "{\"effects\":{" << effects << "},\"pictures\":{" << thumbs << "}}\n";
  if (!json) {
    std::fprintf(stderr, "zod-web-assets: cannot write %s\n", listOut.c_str());
    return 1;
  }
  return 0;
}

struct WebCues final : ModuleRenderer::EventSink {
  std::vector<std::pair<std::uint64_t, int>> cues;
  void onZxxEvent(std::uint64_t sample, std::uint8_t code) override { cues.emplace_back(sample, code); }
};

// One Ogg Opus file being written by ffmpeg from the samples piped into it.
class OpusFile {
 public:
  OpusFile(const std::string& ffmpeg, const std::string& filePath) : path(filePath) {
    const std::string command = "\"" + ffmpeg + "\" -loglevel error -y -f f32le -ar " +
                                std::to_string(WEB_SAMPLE_RATE) + " -ac 2 -i - -c:a libopus -b:a 128k \"" +
                                path + "\"";
    pipe = popen(command.c_str(), "w");
  }
  bool write(const float* interleaved, std::size_t frames) {
    ok = ok && pipe && std::fwrite(interleaved, sizeof(float), 2 * frames, pipe) == 2 * frames;
    return ok;
  }
  // Waits for the encoder; false (and no file) if anything failed.
  bool close() {
    if (pipe && pclose(pipe) != 0) ok = false;
    pipe = nullptr;
    if (!ok) {
      std::fprintf(stderr, "zod-web-assets: encoding %s failed\n", path.c_str());
      std::remove(path.c_str());
    }
    return ok;
  }

 private:
  std::string path;
  std::FILE* pipe = nullptr;
  bool ok = true;
};

bool writeFloats(const std::string& path, const std::vector<float>& values) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(values.data()),
             static_cast<std::streamsize>(values.size() * sizeof(float)));
  if (!file) std::fprintf(stderr, "zod-web-assets: cannot write %s\n", path.c_str());
  return static_cast<bool>(file);
}

// The music goes out in files, each a complete Ogg Opus stream, so that a page can start playing
// after the first one and decode the others while it plays, instead of decoding 25 minutes (and
// holding 600 MB of samples) first. The first files are short and each twice the one before, up to
// CHUNK_FRAMES, so that on a slow network each arrives while the one before plays. Ogg Opus records the encoder's delay
// as its pre-skip and the exact length in its last granule position, and decoders honour both:
// each file decodes to exactly its frames, and the cue stamps hold for the decoded music as they are.
constexpr std::size_t FIRST_CHUNK_FRAMES = 5 * WEB_SAMPLE_RATE;
constexpr std::size_t CHUNK_FRAMES = 30 * WEB_SAMPLE_RATE;
// The reference for checking a browser's decoding: the first 40 s, across the first file boundary.
constexpr std::size_t HEAD_FRAMES = 40 * WEB_SAMPLE_RATE;

int renderMusic(const std::string& in, const std::string& outDir, const std::string& ffmpeg,
                const std::string& headOut) {
  std::ifstream moduleFile(in, std::ios::binary);
  std::vector<std::uint8_t> module(std::istreambuf_iterator<char>(moduleFile), {});
  ModuleRenderer renderer(WEB_SAMPLE_RATE);
  CueTable showCues;
  if (!moduleFile || !renderer.open(module) || !showCues.compute(module)) {
    std::fprintf(stderr, "zod-web-assets: cannot play %s\n", in.c_str());
    return 1;
  }
  WebCues table;
  std::vector<float> chunk(2 * CHUNK_FRAMES);
  std::vector<float> head;
  std::vector<std::pair<std::string, std::uint64_t>> files;  // name, first sample
  for (;;) {
    const std::uint64_t first = renderer.renderedFrames();
    const std::size_t length = std::min(FIRST_CHUNK_FRAMES << std::min<std::size_t>(files.size(), 3), CHUNK_FRAMES);
    std::size_t frames = 0;
    while (frames < length) {
      const std::size_t got = renderer.render(chunk.data() + 2 * frames, length - frames, table);
      if (got == 0) break;
      frames += got;
    }
    if (frames == 0) break;
    const std::size_t headLeft = 2 * HEAD_FRAMES - std::min(head.size(), 2 * HEAD_FRAMES);
    const std::size_t headWanted = std::min(2 * frames, headLeft);
    head.insert(head.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(headWanted));
    char name[32];
    std::snprintf(name, sizeof name, "zod-%03zu.opus", files.size());
    OpusFile file(ffmpeg, outDir + "/" + name);
    file.write(chunk.data(), frames);
    if (!file.close()) return 1;
    files.emplace_back(name, first);
  }
  if (!headOut.empty() && !writeFloats(headOut, head)) return 1;

  const std::string cuesOut = outDir + "/music.json";
  std::ofstream json(cuesOut);
  json << "{\"sampleRate\":" << WEB_SAMPLE_RATE << ",\"samples\":" << renderer.renderedFrames()
       << ",\"files\":[";
  for (std::size_t i = 0; i < files.size(); ++i)
    json << (i ? "," : "") << "{\"name\":\"" << files[i].first << "\",\"first\":" << files[i].second << "}";
  json << "],\"cues\":[";
  for (std::size_t i = 0; i < table.cues.size(); ++i)
    json << (i ? "," : "") << "[" << table.cues[i].first << "," << table.cues[i].second << "]";
  json << "],\"showSamples\":" << showCues.songFrames() << ",\"showCues\":[";
  for (std::size_t i = 0; i < showCues.cues().size(); ++i)
    json << (i ? "," : "") << "[" << showCues.cues()[i].sample << "," << int{showCues.cues()[i].code} << "]";
  json << "]}\n";
  if (!json) {
    std::fprintf(stderr, "zod-web-assets: cannot write %s\n", cuesOut.c_str());
    return 1;
  }
  return 0;
}

bool readModule(const std::string& path, std::vector<std::uint8_t>& module) {
  std::ifstream file(path, std::ios::binary);
  module.assign(std::istreambuf_iterator<char>(file), {});
  if (!file) std::fprintf(stderr, "zod-web-assets: cannot read %s\n", path.c_str());
  return static_cast<bool>(file);
}

// The channel holding the most Zxx cells (the lowest on a tie), or -1 when there are none.
int cueChannelOf(const XmPatternScan& scan) {
  std::vector<int> counts(static_cast<std::size_t>(scan.channelCount()), 0);
  for (const ZxxCell& cell : scan.cells()) ++counts[cell.channel];
  const auto most = std::max_element(counts.begin(), counts.end());
  return *most > 0 ? static_cast<int>(most - counts.begin()) : -1;
}

void appendRow(std::string& json, std::span<const XmCell> cells) {
  static constexpr char HEX[] = "0123456789abcdef";
  json += '"';
  for (const XmCell& cell : cells) {
    if (cell == XmCell{}) {
      json += '.';
      continue;
    }
    for (std::uint8_t byte : {cell.note, cell.instrument, cell.volume, cell.effect, cell.param}) {
      json += HEX[byte >> 4];
      json += HEX[byte & 15];
    }
  }
  json += '"';
}

int exportTracker(const std::string& in, const std::string& outDir, const std::string& gzip) {
  std::vector<std::uint8_t> module;
  if (!readModule(in, module)) return 1;
  const XmPatternScan scan = XmPatternScan::scan(module, XmPatternScan::Keep::EveryCell);
  PlayedRows played;
  if (!scan.ok() || !played.compute(module, WEB_SAMPLE_RATE)) {
    std::fprintf(stderr, "zod-web-assets: cannot play %s\n", in.c_str());
    return 1;
  }
  std::string json = "{\"sampleRate\":" + std::to_string(WEB_SAMPLE_RATE) +
                     ",\"samples\":" + std::to_string(played.songFrames()) +
                     ",\"channels\":" + std::to_string(scan.channelCount()) +
                     ",\"cueChannel\":" + std::to_string(cueChannelOf(scan)) + ",\"orders\":[";
  for (std::size_t i = 0; i < scan.orders().size(); ++i) json += (i ? "," : "") + std::to_string(scan.orders()[i]);
  json += "],\"patterns\":[";
  for (int pattern = 0; pattern < scan.patternCount(); ++pattern) {
    json += pattern ? ",[" : "[";
    for (int row = 0; row < scan.rowCount(pattern); ++row) {
      if (row) json += ',';
      appendRow(json, scan.rowCells(pattern, row));
    }
    json += ']';
  }
  json += "],\"played\":[";
  std::uint64_t previous = 0;
  for (std::size_t i = 0; i < played.rows().size(); ++i) {
    const PlayedRows::Row& row = played.rows()[i];
    // The view finds a row's pattern through the order list; libopenmpt must agree with it.
    if (row.order >= scan.orders().size() || scan.orders()[row.order] != row.pattern) {
      std::fprintf(stderr, "zod-web-assets: %s plays pattern %d at order %d, which its order list does not say\n",
                   in.c_str(), row.pattern, row.order);
      return 1;
    }
    json += (i ? "," : "") + std::to_string(row.order) + "," + std::to_string(row.row) + "," +
            std::to_string(row.sample - previous);
    previous = row.sample;
  }
  json += "]}\n";
  return writeGzipped(gzip, std::vector<char>(json.begin(), json.end()), outDir + "/tracker.json.gz") ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 4 && args[0] == "pictures") return packPictures(args[1], args[2], args[3]);
  if (args.size() == 3 && args[0] == "thumbs") return writeThumbnails(args[1], args[2]);
  if ((args.size() == 4 || args.size() == 5) && args[0] == "music")
    return renderMusic(args[1], args[2], args[3], args.size() == 5 ? args[4] : "");
  if (args.size() == 4 && args[0] == "tracker") return exportTracker(args[1], args[2], args[3]);
  std::fprintf(stderr,
               "usage: zod-web-assets pictures ASSET_DIR OUT_DIR GZIP\n"
               "       zod-web-assets thumbs ASSET_DIR OUT_DIR\n"
               "       zod-web-assets music IN.xm OUT_DIR FFMPEG [HEAD.f32]\n"
               "       zod-web-assets tracker IN.xm OUT_DIR GZIP\n");
  return 1;
}
