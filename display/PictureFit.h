#pragma once
// Where the 512 x 280 picture goes on an output of any size, and how it is enlarged. Only the
// picture is drawn, so the scale is chosen for it, not for the 512 x 384 screen: the black bars
// may be cut at the top and bottom, the picture never. The output is black around it.

enum class Scaling {
  // Whole multiples where they fill at least 75% of the output's height, else Fit.
  Automatic,
  // Whole multiples only: every pixel an exact square (Fit where the output is smaller than the picture).
  Integer,
  // The largest size with the picture's shape kept, enlarged sharply.
  Fit,
};

struct PictureFit {
  // The picture's place in the output.
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  // The whole multiple the picture is first enlarged by with nearest-neighbour pixels.
  int wholeFactor = 1;
  // Whether that is then stretched to width x height with linear filtering (only when it differs).
  bool smooth = false;
};

PictureFit fitPicture(int outputWidth, int outputHeight, Scaling scaling);
