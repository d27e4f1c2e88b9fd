#include "image/Loaders.h"

// The page's JPEG loader. The build decodes each JPEG with the desktop's decoder and stores the
// result as headerless RGB triplets under the JPEG's name plus ".rgb"; reading those gives the
// page the very pixels the desktop shows, with no JPEG decoder in the module.

#include <limits>
#include <string>

#include "base/FileBytes.h"
#include "image/ImageDecoders.h"
#include "image/LoaderFaults.h"

void loadJpeg(Pixel* pixels, const char* fileName, int width, int height) {
  const std::string decoded = std::string(fileName) + ".rgb";
  FileBytes file;
  if (!readAsset(decoded.c_str(), std::numeric_limits<std::size_t>::max(), file)) return;
  decodeRaw(file.data.get(), file.size, pixels, width, height, fileName);
}
