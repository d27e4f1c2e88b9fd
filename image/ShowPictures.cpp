#include "image/ShowPictures.h"

#include "image/Loaders.h"

namespace {
PictureLoadListener loadListener = nullptr;
}  // namespace

void listenToPictureLoads(PictureLoadListener listener) { loadListener = listener; }

void loadShowPicture(Pixel* pixels, const ShowPicture& picture) {
  if (loadListener) loadListener(picture);
  switch (picture.format) {
    case PictureFormat::Jpeg: loadJpeg(pixels, picture.name, picture.width, picture.height); break;
    case PictureFormat::Pcx: loadPcx(pixels, picture.name, picture.pixels()); break;
    case PictureFormat::Raw: loadRaw(pixels, picture.name, picture.width, picture.height); break;
  }
}
