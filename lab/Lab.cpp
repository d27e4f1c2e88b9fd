#include "lab/Lab.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "base/Fatal.h"
#include "base/InterruptFlag.h"
#include "base/WriteFailure.h"
#include "image/PngFile.h"
#include "stage/ShowFiles.h"

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

// A failed write (a full disk) leaves no partial file behind; `why` then says what went wrong.
bool writeBytes(const std::string& path, const char* bytes, std::size_t size, std::string& why) {
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    why = writeFailureCause(errno);
    return false;
  }
  int error = 0;
  if (std::fwrite(bytes, 1, size, file) != size) error = errno;
  if (std::fclose(file) != 0 && error == 0) error = errno ? errno : EIO;
  if (error == 0) return true;
  why = writeFailureCause(error);
  std::error_code ec;
  std::filesystem::remove(path, ec);
  return false;
}

// The lab stops at the first fatal report: later reports only follow from it, and frames drawn
// from pictures that failed to load are not worth writing.
bool labFatal = false;
std::ostream* labErrors = nullptr;
void reportFirstFatal(const char* caption, const char* text) {
  if (!labFatal && labErrors) *labErrors << caption << ": " << text << "\n";
  labFatal = true;
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

bool labFrameHashes(const std::string& assetDir, const std::string& scriptPath,
                    std::vector<std::string>& hashes, std::string& error) {
  LabScript script;
  if (!readScript(scriptPath, script, error)) return false;
  chooseAssetDirectory(assetDir);
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
  chooseAssetDirectory(options.assetDir);

  std::vector<unsigned char> bytes;
  std::vector<std::string> hashes;
  bool writeFailed = false;
  // Ctrl+C or SIGTERM stops between frames, so every file written is whole.
  InterruptFlag interrupt;
  labFatal = false;
  labErrors = &err;
  ScopedFatalReporter firstOnly(&reportFirstFatal);
  runLabScript(script, [&](const LabFrame& f) {
    if (labFatal || writeFailed || interrupt.raised()) return;
    frameBytes(f.frame, bytes);
    std::string rawPath = frameFileName(options.outDir, f.index, "raw");
    std::string why;
    if (!writeBytes(rawPath, reinterpret_cast<const char*>(bytes.data()), bytes.size(), why)) {
      err << "zod lab: cannot write " << rawPath << ": " << why << "\n";
      writeFailed = true;
      return;
    }
    const std::string pngPath = frameFileName(options.outDir, f.index, "png");
    if (options.png && !writePngFile(pngPath, f.frame, FRAME_WIDTH, FRAME_HEIGHT, &why)) {
      err << "zod lab: cannot write " << pngPath << ": " << why << "\n";
      writeFailed = true;
      return;
    }
    if (!options.hashesPath.empty()) hashes.push_back(frameHash(f.frame));
    // Only now is the frame on disk.
    out << "frame " << f.index << " entry " << f.entry << " quit " << (f.quit ? 1 : 0) << "\n";
  }, [&interrupt] { return !interrupt.raised(); });
  if (labFatal) {
    err << "zod lab: stopped at the first fatal report; are all the pictures in " << assetFoldersTried()
        << "? --assets DIR names their folder\n";
    return 1;
  }
  out.flush();
  if (interrupt.raised()) {
    err << "zod lab: interrupted; the frames listed above are complete\n";
    return interrupt.exitCode();
  }

  if (!options.hashesPath.empty() && !writeFailed) {
    std::string text;
    for (const std::string& hash : hashes) text += hash + "\n";
    std::string why;
    if (!writeBytes(options.hashesPath, text.data(), text.size(), why)) {
      err << "zod lab: cannot write " << options.hashesPath << ": " << why << "\n";
      writeFailed = true;
    }
  }
  return writeFailed ? 1 : 0;
}
