// zod-art: draws the show's fifteen pictures and writes them, byte for byte the same on every
// run; optionally writes a contact sheet of all of them for review.
//
//   zod-art --out DIR                 write the fifteen files into DIR
//   zod-art --contact-sheet FILE.png  write the review sheet (may be combined with --out)

#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>

#include "ContactSheet.h"
#include "Pictures.h"
#include "imagefiles/ImageFiles.h"

namespace {

int usage() {
  std::fprintf(stderr, "usage: zod-art [--out DIR] [--contact-sheet FILE.png]\n");
  return 2;
}

void writePicture(const std::string& dir, const art::Picture& p) {
  const std::string path = dir + "/" + p.fileName;
  switch (p.format) {
    case art::FileFormat::Jpeg: imagefiles::writeJpeg(path, p.pixels, p.width, p.height); break;
    case art::FileFormat::Pcx: imagefiles::writePcx(path, p.pixels, p.width, p.height); break;
    case art::FileFormat::Raw: imagefiles::writeRaw(path, p.pixels, p.width, p.height); break;
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string outDir, sheetPath;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) outDir = argv[++i];
    else if (std::strcmp(argv[i], "--contact-sheet") == 0 && i + 1 < argc) sheetPath = argv[++i];
    else return usage();
  }
  if (outDir.empty() && sheetPath.empty()) return usage();
  try {
    const std::vector<art::Picture> pictures = art::drawAllPictures();
    if (!outDir.empty()) {
      std::filesystem::create_directories(outDir);
      for (const art::Picture& p : pictures) writePicture(outDir, p);
    }
    if (!sheetPath.empty()) {
      const art::Sheet sheet = art::contactSheet(pictures);
      imagefiles::writePng(sheetPath, sheet.pixels, sheet.width, sheet.height);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zod-art: %s\n", e.what());
    return 1;
  }
  return 0;
}
