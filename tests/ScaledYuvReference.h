#pragma once
// The straightforward way to an H.264 picture at scale 2, to check the capture's shortcut against:
// the letterboxed screen scaled up to 1024 x 768 RGB with nearest-neighbour pixels, then converted
// to limited-range BT.709 4:2:0 by swscale. Shared by the capture test and the capture benchmark.

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "render/Pixel.h"

class ScaledYuvReference {
 public:
  static constexpr int WIDTH = 2 * FRAME_WIDTH;
  static constexpr int HEIGHT = 2 * SCREEN_HEIGHT;

  ScaledYuvReference()
      : rgb(static_cast<std::size_t>(WIDTH) * HEIGHT, 0),
        planes{std::vector<std::uint8_t>(WIDTH * HEIGHT), std::vector<std::uint8_t>(WIDTH * HEIGHT / 4),
               std::vector<std::uint8_t>(WIDTH * HEIGHT / 4)} {
    context = sws_getContext(WIDTH, HEIGHT, AV_PIX_FMT_0RGB32, WIDTH, HEIGHT, AV_PIX_FMT_YUV420P, SWS_POINT, nullptr,
                             nullptr, nullptr);
    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    sws_setColorspaceDetails(context, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
  }
  ~ScaledYuvReference() { sws_freeContext(context); }
  ScaledYuvReference(const ScaledYuvReference&) = delete;
  ScaledYuvReference& operator=(const ScaledYuvReference&) = delete;

  void convert(const Pixel* frame) {
    for (int y = 0; y < FRAME_HEIGHT; ++y) {
      Pixel* top = rgb.data() + static_cast<std::size_t>(2 * (y + LETTERBOX_ROWS)) * WIDTH;
      for (int x = 0; x < FRAME_WIDTH; ++x) top[2 * x] = top[2 * x + 1] = frame[y * FRAME_WIDTH + x];
      std::copy(top, top + WIDTH, top + WIDTH);
    }
    const std::uint8_t* source[1] = {reinterpret_cast<const std::uint8_t*>(rgb.data())};
    const int sourceStride[1] = {WIDTH * 4};
    std::uint8_t* out[3] = {planes[0].data(), planes[1].data(), planes[2].data()};
    const int strides[3] = {WIDTH, WIDTH / 2, WIDTH / 2};
    sws_scale(context, source, sourceStride, 0, HEIGHT, out, strides);
  }

  struct Difference {
    long long samples = 0;  // samples that differ
    int largest = 0;        // the largest difference of one sample
  };
  // Where `picture` (a YUV 4:2:0 frame of 1024 x 768) differs from the last conversion.
  Difference compare(const AVFrame& picture) const {
    Difference difference;
    for (int p = 0; p < 3; ++p) {
      const int width = p == 0 ? WIDTH : WIDTH / 2;
      const int height = p == 0 ? HEIGHT : HEIGHT / 2;
      for (int y = 0; y < height; ++y) {
        const std::uint8_t* theirs = picture.data[p] + static_cast<std::ptrdiff_t>(y) * picture.linesize[p];
        const std::uint8_t* ours = planes[p].data() + static_cast<std::ptrdiff_t>(y) * width;
        for (int x = 0; x < width; ++x) {
          const int d = std::abs(theirs[x] - ours[x]);
          if (d == 0) continue;
          ++difference.samples;
          difference.largest = std::max(difference.largest, d);
        }
      }
    }
    return difference;
  }

 private:
  std::vector<Pixel> rgb;
  std::vector<std::uint8_t> planes[3];
  SwsContext* context = nullptr;
};
