// zod-art: draws the show's pictures and writes them, byte for byte the same on every run;
// optionally writes a contact sheet of all of them for review.
//
//   zod-art --out DIR                 write the pictures into DIR
//   zod-art --contact-sheet FILE.png  write the review sheet (may be combined with --out)
//   zod-art --icons DIR               write the program's icon as DIR/NxN/apps/zod.png, one per size
//   zod-art --list                    print the pictures' file names, one a line, and draw nothing

#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>

#include "ContactSheet.h"
#include "Icon.h"
#include "Pictures.h"
#include "imagefiles/ImageFiles.h"

namespace {

int usage() {
  std::fprintf(stderr, "usage: zod-art [--out DIR] [--contact-sheet FILE.png] | --icons DIR | --list\n");
  return 2;
}

void writePicture(const std::string& dir, const art::Picture& p) {
  const std::string path = dir + "/" + p.fileName;
  switch (p.format) {
    case PictureFormat::Jpeg: imagefiles::writeJpeg(path, p.pixels, p.width, p.height); break;
    case PictureFormat::Pcx: imagefiles::writePcx(path, p.pixels, p.width, p.height); break;
    case PictureFormat::Raw: imagefiles::writeRaw(path, p.pixels, p.width, p.height); break;
  }
}

// The folders follow the freedesktop icon theme layout, so that installing copies them as they are.
void writeIcons(const std::string& dir) {
  for (const int size : art::ICON_SIZES) {
    const std::string sizeName = std::to_string(size) + "x" + std::to_string(size);
    const std::filesystem::path folder = std::filesystem::path(dir) / sizeName / "apps";
    std::filesystem::create_directories(folder);
    imagefiles::writePngWithAlpha((folder / "zod.png").string(), art::drawIcon(size), size, size);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--list") == 0) {
    for (const ShowPicture& p : SHOW_PICTURES) std::printf("%s\n", p.name);
    return 0;
  }
  if (argc == 3 && std::strcmp(argv[1], "--icons") == 0) {
    try {
      writeIcons(argv[2]);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "zod-art: %s\n", e.what());
      return 1;
    }
    return 0;
  }
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
