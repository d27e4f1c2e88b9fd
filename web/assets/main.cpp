// zod-web-assets: prepares the files of the web page that need the desktop's own code.
//
//   zod-web-assets jpeg IN.jpg OUT.rgb
//     Decodes a 256 x 256 JPEG with the show's decoder and writes its pixels as headerless RGB
//     triplets, so the page shows the very pixels the desktop shows without a JPEG decoder.
//   zod-web-assets music IN.xm OUT.opus OUT.json FFMPEG [HEAD.f32]
//     Renders the module once at 48000 Hz, the rate of a browser's audio clock, with the desktop's
//     renderer (float samples: no dither), pipes the samples into FFMPEG to encode Ogg Opus, and
//     writes the cue table: every Zxx cue with the sample its row starts at. HEAD.f32 receives the
//     first ten seconds as rendered (interleaved floats), to check a browser's decoding against.
//
// Exit code 0 on success, 1 on failure (with a message on stderr).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/Fatal.h"
#include "app/QuitRequest.h"
#include "image/Loaders.h"
#include "show/ModuleRenderer.h"

namespace {

constexpr int WEB_SAMPLE_RATE = 48000;
constexpr int JPEG_SIZE = 256;

int convertJpeg(const std::string& in, const std::string& out) {
  std::vector<Pixel> pixels(JPEG_SIZE * JPEG_SIZE, 0);
  clearQuitRequest();
  loadJpeg(pixels.data(), in.c_str(), JPEG_SIZE, JPEG_SIZE);
  if (quitRequested()) return 1;  // the loader has said why on stderr
  std::vector<unsigned char> bytes;
  bytes.reserve(pixels.size() * 3);
  for (Pixel p : pixels) {
    bytes.push_back(static_cast<unsigned char>(p >> 16));
    bytes.push_back(static_cast<unsigned char>(p >> 8));
    bytes.push_back(static_cast<unsigned char>(p));
  }
  std::ofstream file(out, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!file) {
    std::fprintf(stderr, "zod-web-assets: cannot write %s\n", out.c_str());
    return 1;
  }
  return 0;
}

struct CueTable final : ModuleRenderer::EventSink {
  std::vector<std::pair<std::uint64_t, int>> cues;
  void onZxxEvent(std::uint64_t sample, std::uint8_t code) override { cues.emplace_back(sample, code); }
};

int renderMusic(const std::string& in, const std::string& opusOut, const std::string& cuesOut,
                const std::string& ffmpeg, const std::string& headOut) {
  std::ifstream moduleFile(in, std::ios::binary);
  std::vector<std::uint8_t> module(std::istreambuf_iterator<char>(moduleFile), {});
  ModuleRenderer renderer(WEB_SAMPLE_RATE);
  if (!moduleFile || !renderer.open(module)) {
    std::fprintf(stderr, "zod-web-assets: cannot play %s\n", in.c_str());
    return 1;
  }
  // Ogg Opus records the encoder's delay as its pre-skip, which decoders drop: sample 0 decoded
  // is sample 0 rendered, so the cue stamps hold for the decoded audio as they are.
  const std::string command = "\"" + ffmpeg + "\" -loglevel error -y -f f32le -ar " +
                              std::to_string(WEB_SAMPLE_RATE) + " -ac 2 -i - -c:a libopus -b:a 128k \"" +
                              opusOut + "\"";
  std::FILE* encoder = popen(command.c_str(), "w");
  if (!encoder) {
    std::fprintf(stderr, "zod-web-assets: cannot start %s\n", ffmpeg.c_str());
    return 1;
  }
  CueTable table;
  std::vector<float> block(2 * ModuleRenderer::MAX_READ_FRAMES * 16);
  std::vector<float> head;
  const std::size_t headFloats = 2 * 10 * static_cast<std::size_t>(WEB_SAMPLE_RATE);
  bool writeFailed = false;
  for (;;) {
    const std::size_t frames = renderer.render(block.data(), block.size() / 2, table);
    if (frames == 0) break;
    if (head.size() < headFloats)
      head.insert(head.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(std::min(2 * frames, headFloats - head.size())));
    if (std::fwrite(block.data(), sizeof(float), 2 * frames, encoder) != 2 * frames) {
      writeFailed = true;
      break;
    }
  }
  if (pclose(encoder) != 0 || writeFailed) {
    std::fprintf(stderr, "zod-web-assets: encoding %s failed\n", opusOut.c_str());
    std::remove(opusOut.c_str());
    return 1;
  }

  if (!headOut.empty()) {
    std::ofstream headFile(headOut, std::ios::binary);
    headFile.write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size() * sizeof(float)));
    if (!headFile) {
      std::fprintf(stderr, "zod-web-assets: cannot write %s\n", headOut.c_str());
      return 1;
    }
  }

  std::ofstream json(cuesOut);
  json << "{\"sampleRate\":" << WEB_SAMPLE_RATE << ",\"samples\":" << renderer.renderedFrames() << ",\"cues\":[";
  for (std::size_t i = 0; i < table.cues.size(); ++i)
    json << (i ? "," : "") << "[" << table.cues[i].first << "," << table.cues[i].second << "]";
  json << "]}\n";
  if (!json) {
    std::fprintf(stderr, "zod-web-assets: cannot write %s\n", cuesOut.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 3 && args[0] == "jpeg") return convertJpeg(args[1], args[2]);
  if ((args.size() == 5 || args.size() == 6) && args[0] == "music")
    return renderMusic(args[1], args[2], args[3], args[4], args.size() == 6 ? args[5] : "");
  std::fprintf(stderr,
               "usage: zod-web-assets jpeg IN.jpg OUT.rgb\n"
               "       zod-web-assets music IN.xm OUT.opus OUT.json FFMPEG [HEAD.f32]\n");
  return 1;
}
