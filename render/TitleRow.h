#pragma once
// The title scene's per-pixel work for one frame row: the turned title picture, the wave pattern
// wherever the title leaves the pixel at 0, and the sliding overlay added on top.

#include <cstdint>

#include "render/Pixel.h"

struct TitleRowInputs {
  const Pixel* titleImage;  // 256 x 256
  const Pixel* textureA;    // 256 x 256
  const Pixel* textureB;    // 256 x 256
  const Pixel* slideRow;    // FRAME_WIDTH overlay pixels for this row
  // Per column: the grey word of the shade, and the column's parts of the two texel coordinates.
  const std::uint32_t* greyOfColumn;
  const std::uint32_t* rowAOfColumn;
  const std::uint32_t* rowBOfColumn;
  const std::uint32_t* columnBOfColumn;
  // This row's parts of the two texel coordinates.
  std::uint32_t rowA;
  std::uint32_t columnA;
  std::uint32_t rowB;
  std::uint32_t columnB;
  // The row's coordinate about the frame's middle (-140..139) and the title's turn and scale.
  double y;
  double rs;
  double rc;
};

// The title plane alone for one row: the title pixel, or 0 where the picture does not reach.
void titlePlaneRow(Pixel* out, const Pixel* titleImage, double y, double rs, double rc);

// Eight pixels at a time with AVX2 where the processor has it.
void titleRow(Pixel* out, const TitleRowInputs& in);
// The same bytes in plain C++, for processors without AVX2 (and to check the AVX2 path).
void titleRowPortable(Pixel* out, const TitleRowInputs& in);
