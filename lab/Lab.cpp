#include "lab/Lab.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include "base/AssetDirectory.h"
#include "base/QuitRequest.h"
#include "effects/EffectCatalogue.h"
#include "image/PngFile.h"
#include "render/TrigTables.h"
#include "stage/Show.h"

namespace {
// The frame as bytes in file order, whatever the machine's byte order.
void frameBytes(const Pixel* frame, std::vector<unsigned char>& bytes) {
  bytes.resize(FRAME_BYTES);
  for (int i = 0; i < FRAME_PIXELS; ++i) {
    Pixel p = frame[i];
    bytes[4 * i + 0] = static_cast<unsigned char>(p);
    bytes[4 * i + 1] = static_cast<unsigned char>(p >> 8);
    bytes[4 * i + 2] = static_cast<unsigned char>(p >> 16);
    bytes[4 * i + 3] = static_cast<unsigned char>(p >> 24);
  }
}

std::string frameFileName(const std::string& dir, int index, const char* extension) {
  char name[32];
  std::snprintf(name, sizeof name, "frame-%05d.%s", index, extension);
  return (std::filesystem::path(dir) / name).string();
}

bool writeRaw(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

bool readScript(const std::string& path, LabScript& script, std::string& error) {
  std::ifstream in(path);
  if (!in) {
    error = "cannot read the script " + path;
    return false;
  }
  if (!parseLabScript(in, script, error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}
}  // namespace

void runLabScript(const LabScript& script, const LabFrameSink& onFrame) {
  clearQuitRequest();
  std::vector<Pixel> frame(SCREEN_PIXELS, 0);

  std::unique_ptr<Effect> effect;
  std::unique_ptr<ManualMillisecondCounter> counter;
  std::unique_ptr<Show> show;
  if (!script.effectName.empty()) {
    fillTrigTables();
    effect = findEffectKind(script.effectName)->make();
    effect->init();
  } else {
    counter = std::make_unique<ManualMillisecondCounter>();
    // The lab's sync events come from its script: no module is loaded and nothing plays.
    ShowOptions options;
    options.startMusic = false;
    show = std::make_unique<Show>(*counter, options);
  }

  int frameIndex = 0;
  for (const LabCommand& command : script.commands) {
    switch (command.kind) {
      case LabCommandKind::Render: {
        int entry = -1;
        if (effect) {
          effect->render(frame.data(), command.timeMs);
        } else {
          show->engine().sequencer().runFrame(frame.data(), command.timeMs);
          entry = show->engine().sequencer().currentIndex();
        }
        onFrame(LabFrame{frameIndex++, entry, quitRequested(), frame.data()});
        break;
      }
      case LabCommandKind::Sync:
        effect->onSync(command.code, command.timeMs);
        break;
      case LabCommandKind::Zxx:
        show->engine().sync().post(command.code);
        break;
      case LabCommandKind::Key:
        show->engine().sync().repeat();
        break;
    }
  }
}

std::string frameHash(const Pixel* frame) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (int i = 0; i < FRAME_PIXELS; ++i) {
    for (int shift = 0; shift < 32; shift += 8) {
      hash ^= (frame[i] >> shift) & 0xFFu;
      hash *= 0x100000001b3ull;
    }
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

bool labFrameHashes(const std::string& assetDir, const std::string& scriptPath,
                    std::vector<std::string>& hashes, std::string& error) {
  LabScript script;
  if (!readScript(scriptPath, script, error)) return false;
  setAssetDirectory(assetDir);
  hashes.clear();
  runLabScript(script, [&](const LabFrame& f) { hashes.push_back(frameHash(f.frame)); });
  return true;
}

int runLab(const LabOptions& options, std::ostream& out, std::ostream& err) {
  LabScript script;
  std::string error;
  if (!readScript(options.scriptPath, script, error)) {
    err << "zod lab: " << error << "\n";
    return 2;
  }
  std::error_code ec;
  std::filesystem::create_directories(options.outDir, ec);
  if (ec || !std::filesystem::is_directory(options.outDir)) {
    err << "zod lab: cannot create the output directory " << options.outDir << "\n";
    return 2;
  }
  setAssetDirectory(options.assetDir);

  std::vector<unsigned char> bytes;
  std::vector<std::string> hashes;
  bool writeFailed = false;
  runLabScript(script, [&](const LabFrame& f) {
    frameBytes(f.frame, bytes);
    std::string rawPath = frameFileName(options.outDir, f.index, "raw");
    if (!writeRaw(rawPath, bytes)) {
      if (!writeFailed) err << "zod lab: cannot write " << rawPath << "\n";
      writeFailed = true;
    }
    if (options.png && !writePngFile(frameFileName(options.outDir, f.index, "png"), f.frame, FRAME_WIDTH, FRAME_HEIGHT)) {
      if (!writeFailed) err << "zod lab: cannot write the PNG of frame " << f.index << "\n";
      writeFailed = true;
    }
    if (!options.hashesPath.empty()) hashes.push_back(frameHash(f.frame));
    out << "frame " << f.index << " entry " << f.entry << " quit " << (f.quit ? 1 : 0) << "\n";
  });
  out.flush();

  if (!options.hashesPath.empty()) {
    std::ofstream file(options.hashesPath);
    for (const std::string& hash : hashes) file << hash << "\n";
    if (!file) {
      err << "zod lab: cannot write " << options.hashesPath << "\n";
      writeFailed = true;
    }
  }
  return writeFailed ? 1 : 0;
}
