#include "image/LoaderFaults.h"

#include <string>

#include "base/AssetDirectory.h"
#include "base/Fatal.h"

namespace {
std::string nameOf(const char* fileName) { return fileName ? fileName : ""; }
void report(const std::string& text) { showFatal(text.c_str()); }
}  // namespace

void reportCannotOpen(const char* fileName) { report("Leider kan ich " + nameOf(fileName) + " nicht aufmachen"); }

void reportNoMemory(const char* fileName) {
  report(NO_MEMORY_FOR + nameOf(fileName) + " schaffen");
}

void reportTooShort(const char* fileName) { report("ehmzz.. " + nameOf(fileName) + " ist zu kurz"); }

void reportBadSize(const char* fileName, int width, int height) {
  report("Leider ist " + std::to_string(width) + " x " + std::to_string(height) + " keine Groesse fuer " +
         nameOf(fileName));
}

void reportWrongJpegSize(const char* fileName, int fileWidth, int fileHeight, int width, int height) {
  report("Leider ist " + nameOf(fileName) + " " + std::to_string(fileWidth) + " x " + std::to_string(fileHeight) +
         " statt " + std::to_string(width) + " x " + std::to_string(height));
}

void reportBrokenJpeg(const char* fileName) { report("ehmzz.. " + nameOf(fileName) + " ist kaputt"); }

void reportNegativeRows(const char* fileName) {
  report("ehmzz.. " + nameOf(fileName) + " hat weniger als null Zeilen");
}

void reportTooManyRows(const char* fileName, long long rows, std::size_t capacityRows) {
  report("Leider hat " + nameOf(fileName) + " " + std::to_string(rows) + " Zeilen, Platz ist nur fuer " +
         std::to_string(capacityRows));
}

bool readAsset(const char* fileName, std::size_t maxBytes, FileBytes& out) {
  switch (readFileBytes(assetPath(fileName), maxBytes, out)) {
    case FileReadResult::ok:
      return true;
    case FileReadResult::cannotOpen:
      reportCannotOpen(fileName);
      return false;
    case FileReadResult::noMemory:
      reportNoMemory(fileName);
      return false;
  }
  return false;
}
