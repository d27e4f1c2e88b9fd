#include "capture/VideoEncoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "base/TemporaryName.h"
#include "base/WriteFailure.h"
#include "capture/FrameScaler.h"
#include "capture/SecondsSince.h"
#include "show/SampleRate.h"

namespace {
constexpr int CHANNELS = 2;
constexpr int AAC_BIT_RATE = 192000;
// libx264's presets, fastest first; the first is ours by default, for speed.
constexpr const char* X264_PRESETS[] = {"ultrafast", "superfast", "veryfast", "faster",   "fast",
                                        "medium",    "slow",      "slower",   "veryslow", "placebo"};
constexpr int DEFAULT_CRF = 18;

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

bool isLossless(const OutputFormat& format) { return format.pixels != AV_PIX_FMT_YUV420P; }
bool takesPreset(const OutputFormat& format) { return std::strncmp(format.videoEncoder, "libx264", 7) == 0; }
bool takesCrf(const OutputFormat& format) { return takesPreset(format) && !isLossless(format); }

// The codecs of the rows `takes` holds for, as "h264 (.mp4), x264rgb (.mkv)".
std::string codecsThat(bool (*takes)(const OutputFormat&)) {
  std::string text;
  for (const OutputFormat& format : FORMATS) {
    if (!takes(format)) continue;
    if (!text.empty()) text += ", ";
    text += std::string(format.codec) + " (" + format.extension + ")";
  }
  return text;
}

std::string joined(const char* const* names, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += (i ? ", " : "") + std::string(names[i]);
  return text;
}

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

// The row of FORMATS that the settings choose, or null with the reason: the checks that need no
// library, so that an argument is refused before any work.
const OutputFormat* usableFormat(const VideoEncoderSettings& settings, std::string& error) {
  const std::string extension = lowerExtension(settings.path);
  const OutputFormat* output = findFormat(extension, settings.codec);
  if (!output) {
    error = settings.path + ": " +
            (findFormat(extension, "") ? "the codec " + settings.codec + " does not go in a " + extension + " file"
                                       : std::string("the name must end in .mp4 or .mkv")) +
            " (known: " + knownFormats() + ")";
    return nullptr;
  }
  if (settings.scale != 0 && (settings.scale < 1 || settings.scale > VideoEncoder::LARGEST_SCALE)) {
    error = "the scale must be 1 to " + std::to_string(VideoEncoder::LARGEST_SCALE);
    return nullptr;
  }
  if (!settings.preset.empty()) {
    if (!takesPreset(*output)) {
      error = std::string("--preset is libx264's, for ") + codecsThat(takesPreset) + "; " + output->codec + " has none";
      return nullptr;
    }
    if (std::find_if(std::begin(X264_PRESETS), std::end(X264_PRESETS),
                     [&settings](const char* name) { return settings.preset == name; }) == std::end(X264_PRESETS)) {
      error =
          "--preset " + settings.preset + " is not one of libx264's: " + joined(X264_PRESETS, std::size(X264_PRESETS));
      return nullptr;
    }
  }
  if (settings.crf >= 0 && !takesCrf(*output)) {
    error = std::string("--crf is for ") + codecsThat(takesCrf) + "; " + output->codec + " is lossless";
    return nullptr;
  }
  if (settings.crf > VideoEncoder::LARGEST_CRF) {
    error = "--crf must be 0 to " + std::to_string(VideoEncoder::LARGEST_CRF);
    return nullptr;
  }
  return output;
}

// The libraries' own lines would break the progress line and the one-line messages, so none reach
// stderr; the latest error is kept, to be named when opening an encoder fails.
std::mutex libraryErrorLock;
char libraryError[256] = {};

void keepLibraryError(void* object, int level, const char* format, va_list arguments) {
  if (level > AV_LOG_ERROR) return;
  char line[sizeof libraryError];
  int printPrefix = 0;
  av_log_format_line2(object, level, format, arguments, line, sizeof line, &printPrefix);
  std::size_t length = std::strlen(line);
  while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == ' ')) line[--length] = '\0';
  if (length == 0) return;
  const std::lock_guard<std::mutex> hold(libraryErrorLock);
  std::memcpy(libraryError, line, length + 1);
}

// " (the library's words)" for the latest error since the last call, or nothing.
std::string takeLibraryError() {
  const std::lock_guard<std::mutex> hold(libraryErrorLock);
  std::string text = libraryError[0] ? std::string(" (") + libraryError + ")" : std::string();
  libraryError[0] = '\0';
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
  std::unique_ptr<FrameScaler> scaler;

  std::int64_t videoPts = 0;
  std::int64_t audioPts = 0;
  int audioFill = 0;

  double scaling = 0.0;
  double encoding = 0.0;

  ~State() {
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

  // The row of FORMATS that the file's extension and the codec asked for choose, the scale, and
  // the scaler that makes the encoder's pictures.
  bool chooseFormat(const VideoEncoderSettings& asked, std::string& error) {
    settings = asked;
    output = usableFormat(settings, error);
    if (!output) return false;
    lossless = isLossless(*output);
    if (settings.scale == 0) settings.scale = output->defaultScale;
    if (settings.preset.empty() && takesPreset(*output)) settings.preset = X264_PRESETS[0];
    if (settings.crf < 0 && takesCrf(*output)) settings.crf = DEFAULT_CRF;
    scaler = std::make_unique<FrameScaler>(output->pixels, settings.scale);
    return true;
  }

  bool findEncoders(const AVCodec*& videoCodec, const AVCodec*& audioCodec, std::string& error) const {
    videoCodec = avcodec_find_encoder_by_name(output->videoEncoder);
    audioCodec = avcodec_find_encoder_by_name(output->audioEncoder);
    if (videoCodec && audioCodec) return true;
    error =
        std::string("this FFmpeg has no ") + (videoCodec ? output->audioEncoder : output->videoEncoder) + " encoder";
    return false;
  }

  // The container, bound to the temporary name (the file itself is opened with the header).
  bool makeContainer(std::string& error) {
    temporaryPath = temporaryNameBeside(settings.path);
    const int result = avformat_alloc_output_context2(&format, nullptr, output->container, temporaryPath.c_str());
    checkMemory(result);
    if (result < 0 || !format) {
      error = "cannot make the " + std::string(output->container) + " container: " + ffmpegError(result);
      return false;
    }
    // Both encoders' packets pass through this one on their way into the file.
    packet = made(av_packet_alloc());
    return true;
  }

  bool addVideoStream(const AVCodec* codec, std::string& error) {
    video = made(avcodec_alloc_context3(codec));
    video->width = scaler->width();
    video->height = scaler->height();
    video->time_base = AVRational{static_cast<int>(settings.rateDenominator), static_cast<int>(settings.rateNumerator)};
    video->framerate = AVRational{static_cast<int>(settings.rateNumerator), static_cast<int>(settings.rateDenominator)};
    video->thread_count = 0;
    video->pix_fmt = output->pixels;
    if (!lossless) {
      video->color_range = AVCOL_RANGE_MPEG;
      video->colorspace = AVCOL_SPC_BT709;
      video->color_primaries = AVCOL_PRI_BT709;
      video->color_trc = AVCOL_TRC_BT709;
    }
    if (format->oformat->flags & AVFMT_GLOBALHEADER) video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (!openVideoEncoder(codec, error)) return false;
    videoStream = made(avformat_new_stream(format, nullptr));
    checkMemory(avcodec_parameters_from_context(videoStream->codecpar, video));
    videoStream->time_base = video->time_base;
    videoStream->avg_frame_rate = video->framerate;
    return true;
  }

  // With the format's options, and the preset and quality for the rows that take them; an option
  // the encoder leaves unused is refused, as a misspelt one would be.
  bool openVideoEncoder(const AVCodec* codec, std::string& error) {
    AVDictionary* options = nullptr;
    av_dict_parse_string(&options, output->videoOptions, "=", ":", 0);
    const bool x264 = takesPreset(*output);
    if (x264) av_dict_set(&options, "preset", settings.preset.c_str(), 0);
    if (takesCrf(*output)) av_dict_set(&options, "crf", std::to_string(settings.crf).c_str(), 0);
    int result = avcodec_open2(video, codec, &options);
    // The settings were checked beforehand, so libx264 refuses only memory it could not have,
    // which it reports as an error of its own.
    if (x264 && result == AVERROR_EXTERNAL) result = AVERROR(ENOMEM);
    if (result == AVERROR(ENOMEM)) av_dict_free(&options);
    checkMemory(result);
    const bool leftOver = av_dict_count(options) > 0;
    av_dict_free(&options);
    if (result >= 0 && leftOver) result = AVERROR_OPTION_NOT_FOUND;
    if (result >= 0) return true;
    error =
        std::string("cannot open the video encoder ") + codec->name + ": " + ffmpegError(result) + takeLibraryError();
    return false;
  }

  // The audio stream and the one frame its samples are gathered in.
  bool addAudioStream(const AVCodec* codec, std::string& error) {
    audio = made(avcodec_alloc_context3(codec));
    audio->sample_rate = output->sampleRate;
    av_channel_layout_default(&audio->ch_layout, CHANNELS);
    audio->sample_fmt = output->samples;
    audio->time_base = AVRational{1, output->sampleRate};
    if (!lossless) audio->bit_rate = AAC_BIT_RATE;
    if (format->oformat->flags & AVFMT_GLOBALHEADER) audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    const int result = avcodec_open2(audio, codec, nullptr);
    checkMemory(result);
    if (result < 0) {
      error =
          std::string("cannot open the audio encoder ") + codec->name + ": " + ffmpegError(result) + takeLibraryError();
      return false;
    }
    audioStream = made(avformat_new_stream(format, nullptr));
    checkMemory(avcodec_parameters_from_context(audioStream->codecpar, audio));
    audioStream->time_base = audio->time_base;

    audioFrame = made(av_frame_alloc());
    audioFrame->format = audio->sample_fmt;
    audioFrame->sample_rate = output->sampleRate;
    av_channel_layout_copy(&audioFrame->ch_layout, &audio->ch_layout);
    if (audio->frame_size <= 0) audio->frame_size = 4096;
    audioFrame->nb_samples = audio->frame_size;
    if (av_frame_get_buffer(audioFrame, 0) < 0) throw std::bad_alloc();
    return true;
  }

  // Opens the file under its temporary name and writes the container's header.
  bool writeHeader(std::string& error) {
    int result = avio_open(&format->pb, temporaryPath.c_str(), AVIO_FLAG_WRITE);
    if (result < 0) {
      error = "cannot write " + settings.path + ": " + outputError(result);
      temporaryPath.clear();
      return false;
    }
    AVDictionary* muxerOptions = nullptr;
    av_dict_parse_string(&muxerOptions, output->muxerOptions, "=", ":", 0);
    result = avformat_write_header(format, &muxerOptions);
    av_dict_free(&muxerOptions);
    if (result < 0) {
      error = "cannot write " + settings.path + ": " + outputError(result);
      return false;
    }
    return true;
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

VideoEncoder::VideoEncoder(std::unique_ptr<State> opened) : state(std::move(opened)) {}

VideoEncoder::~VideoEncoder() = default;

bool VideoEncoder::settingsUsable(const VideoEncoderSettings& settings, std::string& error) {
  return usableFormat(settings, error) != nullptr;
}

std::unique_ptr<VideoEncoder> VideoEncoder::open(const VideoEncoderSettings& settings, std::string& error) {
  av_log_set_callback(keepLibraryError);
  takeLibraryError();
  auto s = std::make_unique<State>();
  const AVCodec* videoCodec = nullptr;
  const AVCodec* audioCodec = nullptr;
  if (!s->chooseFormat(settings, error) || !s->findEncoders(videoCodec, audioCodec, error) ||
      !s->makeContainer(error) || !s->addVideoStream(videoCodec, error) || !s->addAudioStream(audioCodec, error) ||
      !s->writeHeader(error))
    return nullptr;
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
  made.image->width = state->scaler->width();
  made.image->height = state->scaler->height();
  if (av_frame_get_buffer(made.image, 0) < 0) throw std::bad_alloc();
  made.samples.assign(CHANNELS * mostSampleFrames, 0.0f);
  return made;
}

bool VideoEncoder::prepare(const Pixel* frame, const float* samples, std::size_t sampleFrames, EncoderFrame& into,
                           std::string& error) {
  State& s = *state;
  const auto start = std::chrono::steady_clock::now();
  // An encoder that works on frames in threads of its own may still hold the last picture: then
  // this one gets a buffer of its own.
  const int result = av_frame_make_writable(into.image);
  if (result < 0 || sampleFrames * CHANNELS > into.samples.size()) {
    error = "encoding failed: " + (result < 0 ? ffmpegError(result) : std::string("too many samples for a frame"));
    return false;
  }
  s.scaler->scale(frame, into.image);
  std::copy(samples, samples + CHANNELS * sampleFrames, into.samples.begin());
  into.sampleFrames = sampleFrames;
  s.scaling += secondsSince(start);
  return true;
}

bool VideoEncoder::encode(EncoderFrame& frame, std::string& error) {
  State& s = *state;
  const auto encodeStart = std::chrono::steady_clock::now();
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
  const auto encodeStart = std::chrono::steady_clock::now();
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
