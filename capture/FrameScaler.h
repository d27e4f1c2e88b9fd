#pragma once
// The show frame as the video encoder's picture: the 512 x 384 letterboxed screen scaled up by a
// whole factor with nearest-neighbour pixels, in the encoder's pixel format (packed RGB, planar
// G, B, R, or limited-range BT.709 4:2:0).
//
// For 4:2:0 the 512 x 280 frame is converted once at its own size and the samples replicated:
// the picture swscale makes of the scaled screen, for a fraction of the work. At odd factors a
// chroma sample straddles frame pixels and takes their mean.

extern "C" {
#include <libavutil/pixfmt.h>
}

#include <cstdint>
#include <vector>

#include "render/Pixel.h"

struct AVFrame;
struct SwsContext;

class FrameScaler {
 public:
  // Throws std::bad_alloc when the buffers or the colour converter cannot be had.
  FrameScaler(AVPixelFormat format, int scale);
  ~FrameScaler();
  FrameScaler(const FrameScaler&) = delete;
  FrameScaler& operator=(const FrameScaler&) = delete;

  int width() const { return pictureWidth; }
  int height() const { return pictureHeight; }

  // Fills `picture` (width() x height() in the format given) from the 512 x 280 frame; allocates
  // nothing.
  void scale(const Pixel* frame, AVFrame* picture);

 private:
  void scalePacked(const Pixel* frame, AVFrame* picture) const;
  void scalePlanar(const Pixel* frame, AVFrame* picture);
  void scaleYuv(const Pixel* frame, AVFrame* picture);
  static void upscalePlane(const std::uint8_t* in, std::uint8_t* out, int stride, int by, std::uint8_t bar);
  void averageChroma(const std::vector<std::uint8_t>& plane, AVFrame* picture, int p) const;

  AVPixelFormat pixels;
  int factor;
  int pictureWidth;
  int pictureHeight;
  SwsContext* toYuv = nullptr;
  // The frame in 4:4:4 at its own size, before scaling and chroma subsampling (planar G, B, R
  // uses planeY for one plane at a time).
  std::vector<std::uint8_t> planeY, planeU, planeV;
  // For each chroma column and row of the output: the two frame columns and rows it covers
  // (a row of -1 is a letterbox bar).
  std::vector<int> chromaColumns, chromaRows;
};
