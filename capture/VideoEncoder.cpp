#include "capture/VideoEncoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <utility>
#include <vector>

#include "base/TemporaryName.h"
#include "base/WriteFailure.h"
#include "show/SampleRate.h"

namespace {
constexpr int CHANNELS = 2;
constexpr int AAC_BIT_RATE = 192000;
// Limited-range black: Y 16, Cb and Cr 128.
constexpr std::uint8_t BLACK_LUMA = 16;
constexpr std::uint8_t NEUTRAL_CHROMA = 128;

std::string ffmpegError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

// A failed write in words: system errors (a full disk, the file size limit) as the user knows them.
std::string outputError(int code) {
  constexpr int LARGEST_ERRNO = 4095;
  return code < 0 && code >= -LARGEST_ERRNO ? writeFailureCause(AVUNERROR(code)) : ffmpegError(code);
}

std::string lowerExtension(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

// One row per kind of file: a new format is a new row. Lossless rows keep the pixels as they are
// (packed or planar RGB) with FLAC; the others convert to limited-range BT.709 4:2:0.
struct OutputFormat {
  const char* codec;  // the name --codec takes
  const char* extension;
  const char* container;
  const char* videoEncoder;
  AVPixelFormat pixels;
  const char* audioEncoder;
  AVSampleFormat samples;
  int sampleRate;
  // The video encoder's options ("key=value:key=value"; generic and the encoder's own), and the
  // muxer's.
  const char* videoOptions;
  const char* muxerOptions;
  int defaultScale;
};

// The first row of each extension is its default.
constexpr OutputFormat FORMATS[] = {
    {"h264", ".mp4", "mp4", "libx264", AV_PIX_FMT_YUV420P, "aac", AV_SAMPLE_FMT_FLTP, SAMPLE_RATE, "", "movflags=+faststart", 2},
    // A third of FFV1's time for 7% more bytes: the default master.
    {"x264rgb", ".mkv", "matroska", "libx264rgb", AV_PIX_FMT_BGR0, "flac", AV_SAMPLE_FMT_S16, SAMPLE_RATE,
     "qp=0", "", 1},
    {"ffv1", ".mkv", "matroska", "ffv1", AV_PIX_FMT_0RGB32, "flac", AV_SAMPLE_FMT_S16, SAMPLE_RATE,
     "g=1:level=3:slices=4:slicecrc=1", "", 1},
    {"utvideo", ".mkv", "matroska", "utvideo", AV_PIX_FMT_GBRP, "flac", AV_SAMPLE_FMT_S16, SAMPLE_RATE, "pred=median", "",
     1},
    {"magicyuv", ".mkv", "matroska", "magicyuv", AV_PIX_FMT_GBRP, "flac", AV_SAMPLE_FMT_S16, SAMPLE_RATE, "", "", 1},
};

const OutputFormat* findFormat(const std::string& extension, const std::string& codec) {
  for (const OutputFormat& format : FORMATS) {
    if (extension == format.extension && (codec.empty() || codec == format.codec)) return &format;
  }
  return nullptr;
}

std::string knownFormats() {
  std::string text;
  for (const OutputFormat& format : FORMATS) {
    if (!text.empty()) text += ", ";
    text += std::string(format.extension) + " " + format.codec;
  }
  return text;
}

// FFmpeg's allocators return null when memory runs out; the encoder then goes the way of every
// failed allocation (one message for the user, no file).
template <typename T>
T* made(T* object) {
  if (!object) throw std::bad_alloc();
  return object;
}

void checkMemory(int result) {
  if (result == AVERROR(ENOMEM)) throw std::bad_alloc();
}

using Clock = std::chrono::steady_clock;
double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}
}  // namespace

struct VideoEncoder::State {
  VideoEncoderSettings settings;
  const OutputFormat* output = nullptr;
  bool lossless = false;
  std::string temporaryPath;
  bool finished = false;

  AVFormatContext* format = nullptr;
  AVCodecContext* video = nullptr;
  AVCodecContext* audio = nullptr;
  AVStream* videoStream = nullptr;
  AVStream* audioStream = nullptr;
  AVFrame* audioFrame = nullptr;
  // addFrame's own frame.
  EncoderFrame serialFrame;
  AVPacket* packet = nullptr;
  SwsContext* toYuv = nullptr;

  int width = 0;
  int height = 0;
  std::int64_t videoPts = 0;
  std::int64_t audioPts = 0;
  int audioFill = 0;

  // The frame in 4:4:4 at its own size, before scaling and chroma subsampling.
  std::vector<std::uint8_t> planeY, planeU, planeV;
  // For each chroma column and row of the output: the two frame columns and rows it covers
  // (a row of -1 is a letterbox bar).
  std::vector<int> chromaColumns, chromaRows;

  double scaling = 0.0;
  double encoding = 0.0;

  ~State() {
    sws_freeContext(toYuv);
    av_packet_free(&packet);
    av_frame_free(&audioFrame);
    avcodec_free_context(&video);
    avcodec_free_context(&audio);
    if (format) {
      if (format->pb) avio_closep(&format->pb);
      avformat_free_context(format);
    }
    if (!finished && !temporaryPath.empty()) {
      std::error_code ignored;
      std::filesystem::remove(temporaryPath, ignored);
    }
  }

  bool drain(AVCodecContext* codec, AVStream* stream, std::string& error) {
    for (;;) {
      int result = avcodec_receive_packet(codec, packet);
      if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
      if (result < 0) {
        error = "encoding failed: " + ffmpegError(result);
        return false;
      }
      av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
      packet->stream_index = stream->index;
      result = av_interleaved_write_frame(format, packet);
      if (result < 0) {
        error = "cannot write " + settings.path + ": " + outputError(result);
        return false;
      }
    }
  }

  bool send(AVCodecContext* codec, AVStream* stream, AVFrame* frame, std::string& error) {
    int result = avcodec_send_frame(codec, frame);
    if (result < 0) {
      error = "encoding failed: " + ffmpegError(result);
      return false;
    }
    return drain(codec, stream, error);
  }

  void scaleLossless(const Pixel* frame, AVFrame* videoFrame) {
    const int k = settings.scale;
    for (int y = 0; y < height; ++y) {
      auto* out = reinterpret_cast<std::uint32_t*>(videoFrame->data[0] + static_cast<std::ptrdiff_t>(y) * videoFrame->linesize[0]);
      const int row = y / k - LETTERBOX_ROWS;
      if (row < 0 || row >= FRAME_HEIGHT) {
        std::fill(out, out + width, 0u);
        continue;
      }
      if (y % k != 0) {
        std::copy(out - videoFrame->linesize[0] / 4, out - videoFrame->linesize[0] / 4 + width, out);
        continue;
      }
      const Pixel* in = frame + row * FRAME_WIDTH;
      for (int x = 0; x < FRAME_WIDTH; ++x) std::fill(out + x * k, out + (x + 1) * k, in[x]);
    }
  }

  // Planar G, B, R: each plane is one byte of the pixels, scaled as the luma is.
  void scalePlanar(const Pixel* frame, AVFrame* videoFrame) {
    const int k = settings.scale;
    for (int p = 0; p < 3; ++p) {
      const int shift = p == 0 ? 8 : p == 1 ? 0 : 16;
      std::uint8_t* plane = planeY.data();
      for (int i = 0; i < FRAME_PIXELS; ++i) plane[i] = static_cast<std::uint8_t>(frame[i] >> shift);
      upscalePlane(plane, videoFrame->data[p], videoFrame->linesize[p], k, 0);
    }
  }

  void scaleYuv(const Pixel* frame, AVFrame* videoFrame) {
    const std::uint8_t* source[1] = {reinterpret_cast<const std::uint8_t*>(frame)};
    const int sourceStride[1] = {FRAME_WIDTH * 4};
    std::uint8_t* planes[3] = {planeY.data(), planeU.data(), planeV.data()};
    const int strides[3] = {FRAME_WIDTH, FRAME_WIDTH, FRAME_WIDTH};
    sws_scale(toYuv, source, sourceStride, 0, FRAME_HEIGHT, planes, strides);

    const int k = settings.scale;
    upscalePlane(planeY.data(), videoFrame->data[0], videoFrame->linesize[0], k, BLACK_LUMA);
    if (k % 2 == 0) {
      // Each 2 x 2 chroma sample covers one frame pixel: the chroma planes are the frame's, scaled.
      upscalePlane(planeU.data(), videoFrame->data[1], videoFrame->linesize[1], k / 2, NEUTRAL_CHROMA);
      upscalePlane(planeV.data(), videoFrame->data[2], videoFrame->linesize[2], k / 2, NEUTRAL_CHROMA);
    } else {
      averageChroma(planeU, videoFrame, 1);
      averageChroma(planeV, videoFrame, 2);
    }
  }

  // A 512 x 280 plane, scaled by `factor` into a plane of 512 x 384 x factor with the letterbox
  // bars filled with `bar`.
  static void upscalePlane(const std::uint8_t* in, std::uint8_t* out, int stride, int factor, std::uint8_t bar) {
    const int rowWidth = FRAME_WIDTH * factor;
    const int rows = SCREEN_HEIGHT * factor;
    for (int y = 0; y < rows; ++y) {
      std::uint8_t* line = out + static_cast<std::ptrdiff_t>(y) * stride;
      const int row = y / factor - LETTERBOX_ROWS;
      if (row < 0 || row >= FRAME_HEIGHT) {
        std::memset(line, bar, static_cast<std::size_t>(rowWidth));
      } else if (y % factor != 0) {
        std::memcpy(line, line - stride, static_cast<std::size_t>(rowWidth));
      } else {
        const std::uint8_t* source = in + row * FRAME_WIDTH;
        if (factor == 1) {
          std::memcpy(line, source, FRAME_WIDTH);
        } else if (factor == 2) {
          for (int x = 0; x < FRAME_WIDTH; ++x) line[2 * x] = line[2 * x + 1] = source[x];
        } else {
          for (int x = 0; x < FRAME_WIDTH; ++x) std::memset(line + x * factor, source[x], static_cast<std::size_t>(factor));
        }
      }
    }
  }

  // Odd scales: a chroma sample covers up to four frame pixels (or bar), and takes their mean.
  void averageChroma(const std::vector<std::uint8_t>& plane, AVFrame* videoFrame, int p) {
    const int chromaWidth = width / 2;
    const int chromaHeight = height / 2;
    for (int cy = 0; cy < chromaHeight; ++cy) {
      std::uint8_t* out = videoFrame->data[p] + static_cast<std::ptrdiff_t>(cy) * videoFrame->linesize[p];
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

  void convertAudio(const float* samples, int offset, int count) {
    if (lossless) {
      auto* out = reinterpret_cast<std::int16_t*>(audioFrame->data[0]) + CHANNELS * offset;
      for (int i = 0; i < CHANNELS * count; ++i) {
        const float clamped = std::clamp(samples[i], -1.0f, 1.0f);
        out[i] = static_cast<std::int16_t>(std::lrint(clamped * 32767.0f));
      }
    } else {
      auto* left = reinterpret_cast<float*>(audioFrame->data[0]) + offset;
      auto* right = reinterpret_cast<float*>(audioFrame->data[1]) + offset;
      for (int i = 0; i < count; ++i) {
        left[i] = samples[2 * i];
        right[i] = samples[2 * i + 1];
      }
    }
  }

  bool sendAudioFrame(std::string& error) {
    audioFrame->nb_samples = audioFill;
    audioFrame->pts = audioPts;
    audioPts += audioFill;
    audioFill = 0;
    return send(audio, audioStream, audioFrame, error);
  }
};

VideoEncoder::VideoEncoder(std::unique_ptr<State> state) : state(std::move(state)) {}

VideoEncoder::~VideoEncoder() = default;

std::unique_ptr<VideoEncoder> VideoEncoder::open(const VideoEncoderSettings& settings, std::string& error) {
  // The libraries' chatter would drown the progress line; their errors still show.
  av_log_set_level(AV_LOG_ERROR);
  auto s = std::make_unique<State>();
  s->settings = settings;
  const std::string extension = lowerExtension(settings.path);
  const OutputFormat* format = findFormat(extension, settings.codec);
  if (!format) {
    error = settings.path + ": " +
            (findFormat(extension, "") ? "the codec " + settings.codec + " does not go in a " + extension + " file"
                                       : std::string("the name must end in .mp4 or .mkv")) +
            " (known: " + knownFormats() + ")";
    return nullptr;
  }
  s->output = format;
  s->lossless = format->pixels != AV_PIX_FMT_YUV420P;
  if (s->settings.scale == 0) s->settings.scale = format->defaultScale;
  if (s->settings.scale < 1 || s->settings.scale > LARGEST_SCALE) {
    error = "the scale must be 1 to " + std::to_string(LARGEST_SCALE);
    return nullptr;
  }
  const int k = s->settings.scale;
  s->width = FRAME_WIDTH * k;
  s->height = SCREEN_HEIGHT * k;

  const AVCodec* videoCodec = avcodec_find_encoder_by_name(format->videoEncoder);
  const AVCodec* audioCodec = avcodec_find_encoder_by_name(format->audioEncoder);
  if (!videoCodec || !audioCodec) {
    error = std::string("this FFmpeg has no ") + (videoCodec ? format->audioEncoder : format->videoEncoder) + " encoder";
    return nullptr;
  }

  s->temporaryPath = temporaryNameBeside(settings.path);
  int result = avformat_alloc_output_context2(&s->format, nullptr, format->container, s->temporaryPath.c_str());
  checkMemory(result);
  if (result < 0 || !s->format) {
    error = "cannot make the " + std::string(format->container) + " container: " + ffmpegError(result);
    return nullptr;
  }

  // Video.
  s->video = made(avcodec_alloc_context3(videoCodec));
  s->video->width = s->width;
  s->video->height = s->height;
  s->video->time_base = AVRational{static_cast<int>(settings.rateDenominator), static_cast<int>(settings.rateNumerator)};
  s->video->framerate = AVRational{static_cast<int>(settings.rateNumerator), static_cast<int>(settings.rateDenominator)};
  s->video->thread_count = 0;
  s->video->pix_fmt = format->pixels;
  AVDictionary* videoOptions = nullptr;
  av_dict_parse_string(&videoOptions, format->videoOptions, "=", ":", 0);
  // --preset for both x264 rows, --crf for the lossy one.
  const bool x264 = std::strncmp(format->videoEncoder, "libx264", 7) == 0;
  if (!s->lossless) {
    s->video->color_range = AVCOL_RANGE_MPEG;
    s->video->colorspace = AVCOL_SPC_BT709;
    s->video->color_primaries = AVCOL_PRI_BT709;
    s->video->color_trc = AVCOL_TRC_BT709;
  }
  if (x264) {
    if (av_opt_set(s->video->priv_data, "preset", settings.preset.c_str(), 0) < 0) {
      av_dict_free(&videoOptions);
      error = "libx264 does not know the preset " + settings.preset;
      return nullptr;
    }
    if (!s->lossless) av_dict_set(&videoOptions, "crf", std::to_string(settings.crf).c_str(), 0);
  }
  if (s->format->oformat->flags & AVFMT_GLOBALHEADER) s->video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  result = avcodec_open2(s->video, videoCodec, &videoOptions);
  // libx264 refuses only settings made wrong (the preset, caught below as EINVAL) or memory it
  // could not have, which it reports as an error of its own.
  if (x264 && result == AVERROR_EXTERNAL) result = AVERROR(ENOMEM);
  if (result == AVERROR(ENOMEM)) av_dict_free(&videoOptions);
  checkMemory(result);
  const bool leftOver = av_dict_count(videoOptions) > 0;
  av_dict_free(&videoOptions);
  if (result >= 0 && leftOver) result = AVERROR_OPTION_NOT_FOUND;
  if (result < 0) {
    error = std::string("cannot open the video encoder ") + videoCodec->name + ": " + ffmpegError(result);
    if (x264)
      error += " (preset " + settings.preset + ": one of ultrafast, superfast, veryfast, faster, fast, medium, slow, "
               "slower, veryslow, placebo)";
    return nullptr;
  }
  s->videoStream = made(avformat_new_stream(s->format, nullptr));
  checkMemory(avcodec_parameters_from_context(s->videoStream->codecpar, s->video));
  s->videoStream->time_base = s->video->time_base;
  s->videoStream->avg_frame_rate = s->video->framerate;

  // Audio.
  s->audio = made(avcodec_alloc_context3(audioCodec));
  s->audio->sample_rate = format->sampleRate;
  av_channel_layout_default(&s->audio->ch_layout, CHANNELS);
  s->audio->sample_fmt = format->samples;
  s->audio->time_base = AVRational{1, format->sampleRate};
  if (!s->lossless) s->audio->bit_rate = AAC_BIT_RATE;
  if (s->format->oformat->flags & AVFMT_GLOBALHEADER) s->audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  result = avcodec_open2(s->audio, audioCodec, nullptr);
  checkMemory(result);
  if (result < 0) {
    error = std::string("cannot open the audio encoder ") + audioCodec->name + ": " + ffmpegError(result);
    return nullptr;
  }
  s->audioStream = made(avformat_new_stream(s->format, nullptr));
  checkMemory(avcodec_parameters_from_context(s->audioStream->codecpar, s->audio));
  s->audioStream->time_base = s->audio->time_base;

  // Buffers, once.
  s->packet = made(av_packet_alloc());
  s->audioFrame = made(av_frame_alloc());
  s->audioFrame->format = s->audio->sample_fmt;
  s->audioFrame->sample_rate = format->sampleRate;
  av_channel_layout_copy(&s->audioFrame->ch_layout, &s->audio->ch_layout);
  if (s->audio->frame_size <= 0) s->audio->frame_size = 4096;
  s->audioFrame->nb_samples = s->audio->frame_size;
  if (av_frame_get_buffer(s->audioFrame, 0) < 0) throw std::bad_alloc();
  if (format->pixels == AV_PIX_FMT_GBRP) s->planeY.assign(FRAME_PIXELS, 0);
  if (!s->lossless) {
    s->toYuv = sws_getContext(FRAME_WIDTH, FRAME_HEIGHT, AV_PIX_FMT_0RGB32, FRAME_WIDTH, FRAME_HEIGHT,
                              AV_PIX_FMT_YUV444P, SWS_POINT, nullptr, nullptr, nullptr);
    made(s->toYuv);
    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    sws_setColorspaceDetails(s->toYuv, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
    s->planeY.assign(FRAME_PIXELS, 0);
    s->planeU.assign(FRAME_PIXELS, 0);
    s->planeV.assign(FRAME_PIXELS, 0);
    for (int x = 0; x < s->width; ++x) s->chromaColumns.push_back(x / k);
    for (int y = 0; y < s->height; ++y) {
      const int row = y / k - LETTERBOX_ROWS;
      s->chromaRows.push_back(row >= 0 && row < FRAME_HEIGHT ? row : -1);
    }
  }

  result = avio_open(&s->format->pb, s->temporaryPath.c_str(), AVIO_FLAG_WRITE);
  if (result < 0) {
    error = "cannot write " + settings.path + ": " + outputError(result);
    s->temporaryPath.clear();
    return nullptr;
  }
  AVDictionary* muxerOptions = nullptr;
  av_dict_parse_string(&muxerOptions, format->muxerOptions, "=", ":", 0);
  result = avformat_write_header(s->format, &muxerOptions);
  av_dict_free(&muxerOptions);
  if (result < 0) {
    error = "cannot write " + settings.path + ": " + outputError(result);
    return nullptr;
  }
  return std::unique_ptr<VideoEncoder>(new VideoEncoder(std::move(s)));
}

EncoderFrame::EncoderFrame(EncoderFrame&& other) noexcept
    : image(other.image), samples(std::move(other.samples)), sampleFrames(other.sampleFrames) {
  other.image = nullptr;
}

EncoderFrame& EncoderFrame::operator=(EncoderFrame&& other) noexcept {
  std::swap(image, other.image);
  std::swap(samples, other.samples);
  std::swap(sampleFrames, other.sampleFrames);
  return *this;
}

EncoderFrame::~EncoderFrame() { av_frame_free(&image); }

EncoderFrame VideoEncoder::newFrame(std::size_t mostSampleFrames) const {
  EncoderFrame made;
  made.image = av_frame_alloc();
  if (!made.image) throw std::bad_alloc();
  made.image->format = state->video->pix_fmt;
  made.image->width = state->width;
  made.image->height = state->height;
  if (av_frame_get_buffer(made.image, 0) < 0) throw std::bad_alloc();
  made.samples.assign(CHANNELS * mostSampleFrames, 0.0f);
  return made;
}

bool VideoEncoder::prepare(const Pixel* frame, const float* samples, std::size_t sampleFrames, EncoderFrame& into,
                           std::string& error) {
  State& s = *state;
  const auto start = Clock::now();
  // An encoder that works on frames in threads of its own may still hold the last picture: then
  // this one gets a buffer of its own.
  const int result = av_frame_make_writable(into.image);
  if (result < 0 || sampleFrames * CHANNELS > into.samples.size()) {
    error = "encoding failed: " + (result < 0 ? ffmpegError(result) : std::string("too many samples for a frame"));
    return false;
  }
  if (!s.lossless)
    s.scaleYuv(frame, into.image);
  else if (s.output->pixels == AV_PIX_FMT_GBRP)
    s.scalePlanar(frame, into.image);
  else
    s.scaleLossless(frame, into.image);
  std::copy(samples, samples + CHANNELS * sampleFrames, into.samples.begin());
  into.sampleFrames = sampleFrames;
  s.scaling += secondsSince(start);
  return true;
}

bool VideoEncoder::encode(EncoderFrame& frame, std::string& error) {
  State& s = *state;
  const auto encodeStart = Clock::now();
  frame.image->pts = s.videoPts++;
  bool ok = s.send(s.video, s.videoStream, frame.image, error);

  const float* samples = frame.samples.data();
  const std::size_t sampleFrames = frame.sampleFrames;
  std::size_t done = 0;
  while (ok && done < sampleFrames) {
    if (s.audioFill == 0 && av_frame_make_writable(s.audioFrame) < 0) {
      error = "encoding failed: the audio frame is not writable";
      return false;
    }
    s.audioFrame->nb_samples = s.audio->frame_size;
    const int room = s.audio->frame_size - s.audioFill;
    const int take = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(room), sampleFrames - done));
    s.convertAudio(samples + 2 * done, s.audioFill, take);
    s.audioFill += take;
    done += static_cast<std::size_t>(take);
    if (s.audioFill == s.audio->frame_size) ok = s.sendAudioFrame(error);
  }
  s.encoding += secondsSince(encodeStart);
  return ok;
}

bool VideoEncoder::addFrame(const Pixel* frame, const float* samples, std::size_t sampleFrames, std::string& error) {
  State& s = *state;
  if (!s.serialFrame.image) s.serialFrame = newFrame(sampleFrames);
  if (s.serialFrame.samples.size() < CHANNELS * sampleFrames) s.serialFrame.samples.resize(CHANNELS * sampleFrames);
  return prepare(frame, samples, sampleFrames, s.serialFrame, error) && encode(s.serialFrame, error);
}

bool VideoEncoder::finish(std::string& error) {
  State& s = *state;
  const auto encodeStart = Clock::now();
  bool ok = true;
  if (s.audioFill > 0) ok = s.sendAudioFrame(error);
  ok = ok && s.send(s.video, s.videoStream, nullptr, error) && s.send(s.audio, s.audioStream, nullptr, error);
  if (ok) {
    int result = av_write_trailer(s.format);
    if (result < 0) {
      error = "cannot complete " + s.settings.path + ": " + outputError(result);
      ok = false;
    }
  }
  if (ok) {
    const int result = avio_closep(&s.format->pb);
    if (result < 0) {
      error = "cannot complete " + s.settings.path + ": " + outputError(result);
      ok = false;
    }
  }
  if (ok) {
    std::error_code failure;
    std::filesystem::rename(s.temporaryPath, s.settings.path, failure);
    if (failure) {
      error = "cannot give the video its name " + s.settings.path + ": " + failure.message();
      ok = false;
    }
  }
  s.finished = ok;
  s.encoding += secondsSince(encodeStart);
  return ok;
}

double VideoEncoder::scalingSeconds() const { return state->scaling; }
double VideoEncoder::encodingSeconds() const { return state->encoding; }
