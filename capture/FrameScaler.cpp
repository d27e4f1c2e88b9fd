#include "capture/FrameScaler.h"

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>

namespace {
// Limited-range black: Y 16, Cb and Cr 128.
constexpr std::uint8_t BLACK_LUMA = 16;
constexpr std::uint8_t NEUTRAL_CHROMA = 128;
}  // namespace

FrameScaler::FrameScaler(AVPixelFormat format, int scale)
    : pixels(format), factor(scale), pictureWidth(FRAME_WIDTH * scale), pictureHeight(SCREEN_HEIGHT * scale) {
  if (pixels == AV_PIX_FMT_GBRP) planeY.assign(FRAME_PIXELS, 0);
  if (pixels != AV_PIX_FMT_YUV420P) return;
  toYuv = sws_getContext(FRAME_WIDTH, FRAME_HEIGHT, AV_PIX_FMT_0RGB32, FRAME_WIDTH, FRAME_HEIGHT, AV_PIX_FMT_YUV444P,
                         SWS_POINT, nullptr, nullptr, nullptr);
  if (!toYuv) throw std::bad_alloc();
  const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
  sws_setColorspaceDetails(toYuv, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
  planeY.assign(FRAME_PIXELS, 0);
  planeU.assign(FRAME_PIXELS, 0);
  planeV.assign(FRAME_PIXELS, 0);
  for (int x = 0; x < pictureWidth; ++x) chromaColumns.push_back(x / factor);
  for (int y = 0; y < pictureHeight; ++y) {
    const int row = y / factor - LETTERBOX_ROWS;
    chromaRows.push_back(row >= 0 && row < FRAME_HEIGHT ? row : -1);
  }
}

FrameScaler::~FrameScaler() { sws_freeContext(toYuv); }

void FrameScaler::scale(const Pixel* frame, AVFrame* picture) {
  if (pixels == AV_PIX_FMT_YUV420P)
    scaleYuv(frame, picture);
  else if (pixels == AV_PIX_FMT_GBRP)
    scalePlanar(frame, picture);
  else
    scalePacked(frame, picture);
}

// Packed RGB in 32-bit words, byte for byte the frame's pixels.
void FrameScaler::scalePacked(const Pixel* frame, AVFrame* picture) const {
  for (int y = 0; y < pictureHeight; ++y) {
    auto* out =
        reinterpret_cast<std::uint32_t*>(picture->data[0] + static_cast<std::ptrdiff_t>(y) * picture->linesize[0]);
    const int row = y / factor - LETTERBOX_ROWS;
    if (row < 0 || row >= FRAME_HEIGHT) {
      std::fill(out, out + pictureWidth, 0u);
      continue;
    }
    if (y % factor != 0) {
      std::copy(out - picture->linesize[0] / 4, out - picture->linesize[0] / 4 + pictureWidth, out);
      continue;
    }
    const Pixel* in = frame + row * FRAME_WIDTH;
    for (int x = 0; x < FRAME_WIDTH; ++x) std::fill(out + x * factor, out + (x + 1) * factor, in[x]);
  }
}

// Planar G, B, R: each plane is one byte of the pixels, scaled as the luma is.
void FrameScaler::scalePlanar(const Pixel* frame, AVFrame* picture) {
  for (int p = 0; p < 3; ++p) {
    const int shift = p == 0 ? 8 : p == 1 ? 0 : 16;
    std::uint8_t* plane = planeY.data();
    for (int i = 0; i < FRAME_PIXELS; ++i) plane[i] = static_cast<std::uint8_t>(frame[i] >> shift);
    upscalePlane(plane, picture->data[p], picture->linesize[p], factor, 0);
  }
}

void FrameScaler::scaleYuv(const Pixel* frame, AVFrame* picture) {
  const std::uint8_t* source[1] = {reinterpret_cast<const std::uint8_t*>(frame)};
  const int sourceStride[1] = {FRAME_WIDTH * 4};
  std::uint8_t* planes[3] = {planeY.data(), planeU.data(), planeV.data()};
  const int strides[3] = {FRAME_WIDTH, FRAME_WIDTH, FRAME_WIDTH};
  sws_scale(toYuv, source, sourceStride, 0, FRAME_HEIGHT, planes, strides);

  upscalePlane(planeY.data(), picture->data[0], picture->linesize[0], factor, BLACK_LUMA);
  if (factor % 2 == 0) {
    // Each 2 x 2 chroma sample covers one frame pixel: the chroma planes are the frame's, scaled.
    upscalePlane(planeU.data(), picture->data[1], picture->linesize[1], factor / 2, NEUTRAL_CHROMA);
    upscalePlane(planeV.data(), picture->data[2], picture->linesize[2], factor / 2, NEUTRAL_CHROMA);
  } else {
    averageChroma(planeU, picture, 1);
    averageChroma(planeV, picture, 2);
  }
}

// A 512 x 280 plane, scaled `by` times into a plane of 512 x 384 x `by` with the letterbox bars
// filled with `bar`.
void FrameScaler::upscalePlane(const std::uint8_t* in, std::uint8_t* out, int stride, int by, std::uint8_t bar) {
  const int rowWidth = FRAME_WIDTH * by;
  const int rows = SCREEN_HEIGHT * by;
  for (int y = 0; y < rows; ++y) {
    std::uint8_t* line = out + static_cast<std::ptrdiff_t>(y) * stride;
    const int row = y / by - LETTERBOX_ROWS;
    if (row < 0 || row >= FRAME_HEIGHT) {
      std::memset(line, bar, static_cast<std::size_t>(rowWidth));
    } else if (y % by != 0) {
      std::memcpy(line, line - stride, static_cast<std::size_t>(rowWidth));
    } else {
      const std::uint8_t* source = in + row * FRAME_WIDTH;
      if (by == 1) {
        std::memcpy(line, source, FRAME_WIDTH);
      } else if (by == 2) {
        for (int x = 0; x < FRAME_WIDTH; ++x) line[2 * x] = line[2 * x + 1] = source[x];
      } else {
        for (int x = 0; x < FRAME_WIDTH; ++x) std::memset(line + x * by, source[x], static_cast<std::size_t>(by));
      }
    }
  }
}

// Odd scales: a chroma sample covers up to four frame pixels (or bar), and takes their mean.
void FrameScaler::averageChroma(const std::vector<std::uint8_t>& plane, AVFrame* picture, int p) const {
  const int chromaWidth = pictureWidth / 2;
  const int chromaHeight = pictureHeight / 2;
  for (int cy = 0; cy < chromaHeight; ++cy) {
    std::uint8_t* out = picture->data[p] + static_cast<std::ptrdiff_t>(cy) * picture->linesize[p];
    const int top = chromaRows[2 * cy];
    const int bottom = chromaRows[2 * cy + 1];
    if (top < 0 && bottom < 0) {
      std::memset(out, NEUTRAL_CHROMA, static_cast<std::size_t>(chromaWidth));
      continue;
    }
    const std::uint8_t* topRow = top < 0 ? nullptr : plane.data() + top * FRAME_WIDTH;
    const std::uint8_t* bottomRow = bottom < 0 ? nullptr : plane.data() + bottom * FRAME_WIDTH;
    for (int cx = 0; cx < chromaWidth; ++cx) {
      const int left = chromaColumns[2 * cx];
      const int right = chromaColumns[2 * cx + 1];
      const int sum = (topRow ? topRow[left] + topRow[right] : 2 * NEUTRAL_CHROMA) +
                      (bottomRow ? bottomRow[left] + bottomRow[right] : 2 * NEUTRAL_CHROMA);
      out[cx] = static_cast<std::uint8_t>((sum + 2) / 4);
    }
  }
}
