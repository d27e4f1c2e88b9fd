#include "platform/SdlAudioOutput.h"

#include <dlfcn.h>

#include <cstring>

namespace {
// Small enough that sync events, delivered once per buffer, land within about 12 ms of their sound.
constexpr Uint16 DEVICE_FRAMES = 512;
constexpr int CHANNELS = 2;

// ALSA prints its own complaints on stderr when a machine has no sound card; the show reports
// that itself, once. SDL loads ALSA at run time, so its error handler is reached the same way.
void silentAlsaError(const char*, int, const char*, int, const char*, ...) {}

void quietenAlsa() {
  static bool done = false;
  if (done) return;
  done = true;
  void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL);
  if (!alsa) return;
  using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
  using SetHandler = int (*)(Handler);
  if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler"))) set(&silentAlsaError);
  // The library stays loaded: SDL uses the same copy.
}
}  // namespace

std::unique_ptr<AudioOutput> SdlAudioOutput::open(int sampleRate, std::string& problem) {
  quietenAlsa();
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    problem = SDL_GetError();
    return nullptr;
  }
  std::unique_ptr<SdlAudioOutput> output(new SdlAudioOutput());
  SDL_AudioSpec wanted{};
  wanted.freq = sampleRate;
  wanted.format = AUDIO_F32SYS;
  wanted.channels = CHANNELS;
  wanted.samples = DEVICE_FRAMES;
  wanted.callback = &SdlAudioOutput::callback;
  wanted.userdata = output.get();
  SDL_AudioSpec obtained{};
  // Only the buffer size may differ from what we ask; SDL converts anything else for us.
  output->device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
  if (output->device == 0) {
    problem = SDL_GetError();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return nullptr;
  }
  output->deviceFrames = obtained.samples;
  return output;
}

SdlAudioOutput::~SdlAudioOutput() {
  // Closing waits for a running callback, so nothing calls into the fill function afterwards.
  SDL_CloseAudioDevice(device);
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SdlAudioOutput::start(Fill fill, void* context) {
  SDL_LockAudioDevice(device);
  fillFunction = fill;
  fillContext = context;
  SDL_UnlockAudioDevice(device);
  if (!held) SDL_PauseAudioDevice(device, 0);
}

void SdlAudioOutput::setPaused(bool paused) {
  held = paused;
  // SDL takes the device's lock here, so no callback runs once a pause has returned.
  SDL_PauseAudioDevice(device, paused ? 1 : 0);
}

void SdlAudioOutput::callback(void* self, Uint8* stream, int length) {
  auto* output = static_cast<SdlAudioOutput*>(self);
  const std::size_t frames = static_cast<std::size_t>(length) / (CHANNELS * sizeof(float));
  if (!output->fillFunction) {
    std::memset(stream, 0, static_cast<std::size_t>(length));
    return;
  }
  output->fillFunction(output->fillContext, reinterpret_cast<float*>(stream), frames);
}
