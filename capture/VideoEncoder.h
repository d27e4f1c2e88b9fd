#pragma once
// Writes the show to a video file with FFmpeg's libraries: the 512 x 384 letterboxed screen,
// scaled up by a whole factor with nearest-neighbour pixels, and its stereo 44100 Hz music.
//
//   .mp4: H.264 (libx264, 4:2:0, BT.709 limited range) and AAC, moov atom at the front
//   .mkv: lossless video (the pixels as they are: libx264rgb at qp 0 by default, or FFV1,
//         utvideo, magicyuv) and FLAC
//
// The file is written under a temporary name beside the target and moved into place by finish,
// so a failed or abandoned run never leaves a half-written file under the name asked for.
// Frames and audio buffers are allocated once, when the file is opened.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "render/Pixel.h"

struct VideoEncoderSettings {
  std::string path;
  // 0: the format's own (2 for H.264, 1 for the lossless ones).
  int scale = 0;
  // Empty: the extension's default; otherwise one of h264, x264rgb, ffv1, utvideo, magicyuv.
  std::string codec;
  std::int64_t rateNumerator = 60;
  std::int64_t rateDenominator = 1;
  // libx264 only.
  std::string preset = "ultrafast";
  int crf = 18;
};

class VideoEncoder {
 public:
  static constexpr int LARGEST_SCALE = 8;

  // Null, with the reason in `error`, when the container is not known by the file's extension,
  // an encoder is missing or refuses the settings, or the file cannot be written.
  static std::unique_ptr<VideoEncoder> open(const VideoEncoderSettings& settings, std::string& error);
  // Removes the temporary file unless finish succeeded.
  ~VideoEncoder();
  VideoEncoder(const VideoEncoder&) = delete;
  VideoEncoder& operator=(const VideoEncoder&) = delete;

  // Adds one frame (the 512 x 280 show frame) and the interleaved stereo samples it plays.
  bool addFrame(const Pixel* frame, const float* samples, std::size_t sampleFrames, std::string& error);
  // Drains the encoders, completes the file and gives it its name.
  bool finish(std::string& error);

  // Where the time went so far: colour conversion and scaling, and encoding with writing.
  double scalingSeconds() const;
  double encodingSeconds() const;

 private:
  struct State;
  explicit VideoEncoder(std::unique_ptr<State> state);
  std::unique_ptr<State> state;
};
