#include <turbojpeg.h>

#include <cstdint>
#include <limits>
#include <memory>

#include "base/Fatal.h"
#include "base/FileBytes.h"
#include "image/ImageDecoders.h"
#include "image/LoaderFaults.h"
#include "image/Loaders.h"

namespace {

struct DecoderCloser {
  void operator()(void* handle) const { tjDestroy(handle); }
};

// Bounds the work a hostile progressive file can cause; the show's baseline files never come near.
#ifdef TJFLAG_LIMITSCANS
constexpr int DECODE_FLAGS = TJFLAG_LIMITSCANS;
#else
constexpr int DECODE_FLAGS = 0;
#endif

}  // namespace

void decodeJpeg(const std::uint8_t* data, std::size_t size, Pixel* pixels, int width, int height,
                const char* fileName) {
  std::unique_ptr<void, DecoderCloser> decoder(tjInitDecompress());
  if (!decoder) {
    reportNoMemory(fileName);
    return;
  }
  if (size > std::numeric_limits<unsigned long>::max()) {
    reportBrokenJpeg(fileName);
    return;
  }
  int fileWidth = 0;
  int fileHeight = 0;
  int subsampling = 0;
  int colourSpace = 0;
  // A stream that holds only tables and no frame passes the header read with a size of 0 x 0.
  if (tjDecompressHeader3(decoder.get(), data, static_cast<unsigned long>(size), &fileWidth, &fileHeight,
                          &subsampling, &colourSpace) != 0 ||
      fileWidth <= 0 || fileHeight <= 0) {
    reportBrokenJpeg(fileName);
    return;
  }
  if (fileWidth != width || fileHeight != height) {
    reportWrongJpegSize(fileName, fileWidth, fileHeight, width, height);
    return;
  }

  // A picture without three channels is reported, and then still decoded to colour triplets.
  bool reported = false;
  if (colourSpace == TJCS_GRAY || colourSpace == TJCS_CMYK || colourSpace == TJCS_YCCK) {
    showFatal("Crap");
    reported = true;
  }

  const std::size_t pixelCount = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  ByteBuffer samples = allocateBytes(3 * pixelCount);
  if (!samples) {
    if (!reported) reportNoMemory(fileName);
    return;
  }
  // Blue, green, red triplets in unpadded rows, top row first.
  if (tjDecompress2(decoder.get(), data, static_cast<unsigned long>(size), samples.get(), width, 3 * width, height,
                    TJPF_BGR, DECODE_FLAGS) != 0) {
    if (!reported) reportBrokenJpeg(fileName);
    return;
  }
  for (std::size_t i = 0; i < pixelCount; ++i) {
    const std::uint8_t* triplet = samples.get() + 3 * i;
    pixels[i] = (Pixel{triplet[2]} << 16) | (Pixel{triplet[1]} << 8) | Pixel{triplet[0]};
  }
}

void loadJpeg(Pixel* pixels, const char* fileName, int width, int height) {
  FileBytes file;
  if (!readAsset(fileName, std::numeric_limits<std::size_t>::max(), file)) return;
  decodeJpeg(file.data.get(), file.size, pixels, width, height, fileName);
}
