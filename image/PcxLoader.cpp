#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include "base/Fatal.h"
#include "base/FileBytes.h"
#include "image/ImageDecoders.h"
#include "image/LoaderFaults.h"
#include "image/Loaders.h"

namespace {

constexpr std::size_t HEADER_BYTES = 128;
constexpr int PLANE_LINE_BYTES = PCX_WIDTH;
constexpr std::size_t SCAN_LINE_BYTES = 3 * PLANE_LINE_BYTES;

int headerField(const std::uint8_t* header, std::size_t offset) { return header[offset] | (header[offset + 1] << 8); }

// Decodes scan lines into out. Runs are written whole across plane-line and scan-line ends; the
// write position only moves forward, so a run that overshoots a scan line pushes the next one
// back, and whatever would land past the end of out is dropped. Returns false when the stream
// ends before the last scan line is complete.
bool decodeScanLines(const std::uint8_t* in, const std::uint8_t* end, std::uint8_t* out, std::size_t outSize,
                     std::size_t scanLines) {
  std::size_t position = 0;
  for (std::size_t line = 0; line < scanLines; ++line) {
    std::size_t produced = 0;
    while (produced < SCAN_LINE_BYTES) {
      if (in == end) return false;
      std::uint8_t value = *in++;
      std::size_t count = 1;
      if ((value & 0xC0) == 0xC0) {
        if (in == end) return false;
        count = value & 0x3F;
        value = *in++;
      }
      if (position < outSize) std::memset(out + position, value, std::min(count, outSize - position));
      position += count;
      produced += count;
    }
  }
  return true;
}

}  // namespace

void decodePcx(const std::uint8_t* data, std::size_t size, Pixel* pixels, std::size_t capacityPixels,
               const char* fileName) {
  if (size < HEADER_BYTES) {
    reportTooShort(fileName);
    return;
  }
  // Only these three fields matter; every file is taken as 8-bit red, green and blue planes.
  const int yMin = headerField(data, 6);
  const int yMax = headerField(data, 10);
  const int bytesPerLine = headerField(data, 66);
  if (bytesPerLine != PLANE_LINE_BYTES) {
    showFatal("wrong pcxfile");
    return;
  }
  const int rows = yMax - yMin + 1;
  if (rows < 0) {
    reportNegativeRows(fileName);
    return;
  }

  bool reported = false;
  const std::size_t capacityRows = capacityPixels / PLANE_LINE_BYTES;
  std::size_t storedRows = static_cast<std::size_t>(rows);
  if (storedRows > capacityRows) {
    reportTooManyRows(fileName, rows, capacityRows);
    reported = true;
    storedRows = capacityRows;
  }

  // Rows past the caller's capacity are never decoded: the write position only moves forward, so
  // they cannot change the rows before them.
  const std::size_t bufferSize = storedRows * SCAN_LINE_BYTES;
  ByteBuffer samples = allocateBytes(bufferSize);
  if (!samples) {
    if (!reported) reportNoMemory(fileName);
    return;
  }
  if (!decodeScanLines(data + HEADER_BYTES, data + size, samples.get(), bufferSize, storedRows) && !reported) {
    reportTooShort(fileName);
  }

  for (std::size_t y = 0; y < storedRows; ++y) {
    const std::uint8_t* scanLine = samples.get() + y * SCAN_LINE_BYTES;
    Pixel* row = pixels + y * PLANE_LINE_BYTES;
    for (int x = 0; x < PLANE_LINE_BYTES; ++x) {
      row[x] = (Pixel{scanLine[x]} << 16) | (Pixel{scanLine[PLANE_LINE_BYTES + x]} << 8) |
               Pixel{scanLine[2 * PLANE_LINE_BYTES + x]};
    }
  }
}

void loadPcx(Pixel* pixels, const char* fileName, std::size_t capacityPixels) {
  FileBytes file;
  if (!readAsset(fileName, std::numeric_limits<std::size_t>::max(), file)) return;
  decodePcx(file.data.get(), file.size, pixels, capacityPixels, fileName);
}
