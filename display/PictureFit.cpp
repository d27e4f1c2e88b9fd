#include "display/PictureFit.h"

#include <algorithm>

#include "render/Pixel.h"

PictureFit fitPicture(int outputWidth, int outputHeight, Scaling scaling) {
  PictureFit fit;
  const int whole = std::min(outputWidth / FRAME_WIDTH, outputHeight / FRAME_HEIGHT);
  // Whole multiples are the sharpest, but a small one on a large screen wastes it.
  const bool integer = whole >= 1 && (scaling == Scaling::Integer ||
                                      (scaling == Scaling::Automatic && 4 * FRAME_HEIGHT * whole >= 3 * outputHeight));
  if (integer) {
    fit.width = FRAME_WIDTH * whole;
    fit.height = FRAME_HEIGHT * whole;
  } else if (static_cast<long long>(outputWidth) * FRAME_HEIGHT <= static_cast<long long>(outputHeight) * FRAME_WIDTH) {
    fit.width = outputWidth;
    fit.height = std::max(1, (outputWidth * FRAME_HEIGHT + FRAME_WIDTH / 2) / FRAME_WIDTH);
  } else {
    fit.height = outputHeight;
    fit.width = std::max(1, (outputHeight * FRAME_WIDTH + FRAME_HEIGHT / 2) / FRAME_HEIGHT);
  }
  // Enlarged by whole multiples as far as they go, the linear stretch after it blurs the pixels'
  // edges over less than two output pixels (the next multiple up, shrunk, is sharper by a little
  // but draws far more pixels, too many for software renderers).
  fit.wholeFactor = std::max(1, fit.width / FRAME_WIDTH);
  fit.smooth = fit.width != FRAME_WIDTH * fit.wholeFactor || fit.height != FRAME_HEIGHT * fit.wholeFactor;
  fit.x = (outputWidth - fit.width) / 2;
  fit.y = (outputHeight - fit.height) / 2;
  return fit;
}
