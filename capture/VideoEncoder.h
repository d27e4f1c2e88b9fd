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
//
// A frame goes in two steps that may run on two threads: prepare converts the show frame to the
// encoder's pixel format and size in an EncoderFrame, and encode hands that to the encoders and
// the muxer. Frames and audio buffers are allocated once, before the first frame.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "render/Pixel.h"

struct AVFrame;

// A show frame made ready for the encoders: the picture in the video encoder's pixel format and
// output size, and the samples it plays. Made by VideoEncoder::newFrame and reused frame after frame.
class EncoderFrame {
 public:
  EncoderFrame() = default;
  EncoderFrame(EncoderFrame&& other) noexcept;
  EncoderFrame& operator=(EncoderFrame&& other) noexcept;
  ~EncoderFrame();

  const AVFrame* picture() const { return image; }

 private:
  friend class VideoEncoder;
  AVFrame* image = nullptr;
  std::vector<float> samples;  // interleaved stereo
  std::size_t sampleFrames = 0;
};

struct VideoEncoderSettings {
  std::string path;
  // 0: the format's own (2 for H.264, 1 for the lossless ones).
  int scale = 0;
  // Empty: the extension's default; otherwise one of h264, x264rgb, ffv1, utvideo, magicyuv.
  std::string codec;
  std::int64_t rateNumerator = 60;
  std::int64_t rateDenominator = 1;
  // libx264's (h264 and x264rgb); empty: ultrafast.
  std::string preset;
  // h264's quality, 0 to 51; -1: 18. The lossless codecs take none.
  int crf = -1;
};

class VideoEncoder {
 public:
  static constexpr int LARGEST_SCALE = 8;
  // libx264's worst quality.
  static constexpr int LARGEST_CRF = 51;

  // False, with the reason in `error`, for settings no file can be made with: an extension or a
  // codec not in the table, a scale out of range, a preset libx264 does not have, or a preset or
  // quality for a codec that takes none. Opens nothing, so arguments are checked before any work.
  static bool settingsUsable(const VideoEncoderSettings& settings, std::string& error);
  // Null, with the reason in `error`, when the settings are not usable, an encoder is missing or
  // refuses them, or the file cannot be written.
  static std::unique_ptr<VideoEncoder> open(const VideoEncoderSettings& settings, std::string& error);
  // Removes the temporary file unless finish succeeded.
  ~VideoEncoder();
  VideoEncoder(const VideoEncoder&) = delete;
  VideoEncoder& operator=(const VideoEncoder&) = delete;

  // A frame to prepare into, with room for `mostSampleFrames` samples (throws std::bad_alloc).
  EncoderFrame newFrame(std::size_t mostSampleFrames) const;
  // The 512 x 280 show frame converted and scaled into `into`, with the interleaved stereo samples
  // it plays. One thread at a time may prepare, while another encodes a different frame.
  bool prepare(const Pixel* frame, const float* samples, std::size_t sampleFrames, EncoderFrame& into,
               std::string& error);
  // Encodes a prepared frame and its samples and writes what the encoders give back.
  bool encode(EncoderFrame& frame, std::string& error);
  // prepare and encode in one go, on the calling thread.
  bool addFrame(const Pixel* frame, const float* samples, std::size_t sampleFrames, std::string& error);
  // Drains the encoders, completes the file and gives it its name.
  bool finish(std::string& error);

  // Where the time went so far: prepare (colour conversion and scaling), and encode (the encoders
  // and the muxer).
  double scalingSeconds() const;
  double encodingSeconds() const;

 private:
  struct State;
  explicit VideoEncoder(std::unique_ptr<State> opened);
  std::unique_ptr<State> state;
};
