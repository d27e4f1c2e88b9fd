#include "image/ShowPictures.h"

#include "image/Loaders.h"

void loadShowPicture(Pixel* pixels, const ShowPicture& picture) {
  switch (picture.format) {
    case PictureFormat::Jpeg: loadJpeg(pixels, picture.name, picture.width, picture.height); break;
    case PictureFormat::Pcx: loadPcx(pixels, picture.name, picture.pixels()); break;
    case PictureFormat::Raw: loadRaw(pixels, picture.name, picture.width, picture.height); break;
  }
}
