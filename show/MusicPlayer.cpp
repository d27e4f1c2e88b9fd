#include "show/MusicPlayer.h"

#include <atomic>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "base/Fatal.h"
#include "base/AssetDirectory.h"
#include "base/FileBytes.h"
#include "show/ModuleRenderer.h"
#include "show/MusicStream.h"

struct MusicPlayer::Playback {
  explicit Playback(SyncMailbox& syncMailbox) : mailbox(syncMailbox) {}
  SyncMailbox& mailbox;
  MusicOptions options;
  ModuleRenderer renderer;
  // Every cue of the loaded module with its sample, so cues can come before their rows are mixed.
  // Learnt on a thread of its own while the show starts: the silent pass takes a few hundred ms,
  // and the show clock is already running.
  CueTable cues;
  std::atomic<bool> cuesKnown{false};
  std::thread cueWork;
  float gain = 1.0f;
  std::unique_ptr<MusicStream> stream;
  // Declared last so it closes first: no callback runs while the stream and renderer go away.
  std::unique_ptr<AudioOutput> output;
};

MusicPlayer::MusicPlayer(SyncMailbox& mailbox, const MusicOptions& options)
    : playback(std::make_unique<Playback>(mailbox)) {
  playback->options = options;
  playback->gain = options.gain;
  if (!ModuleRenderer::librarySupported()) {
    showFatal("Achtung: Sie haben nicht die richtige DLL");
    return;
  }
  if (options.openOutput) {
    std::string problem;
    playback->output = options.openOutput(static_cast<int>(SAMPLE_RATE), problem);
    // The show's own words first; the system's reason and the way out on the line after.
    if (!playback->output)
      showFatal(("Achtung: kein Ton\n" + (problem.empty() ? std::string("no sound device") : problem) +
                 "; zod --mute plays the show without sound")
                    .c_str());
  }
}

MusicPlayer::~MusicPlayer() {
  // The device goes first, so no fill reads the table while the pass still writes it.
  playback->output.reset();
  if (playback->cueWork.joinable()) playback->cueWork.join();
}

void MusicPlayer::load(const char* fileName, const CueTable* learnt) {
  // The module cannot change under the audio thread once it plays.
  if (playback->stream) return;
  std::vector<std::uint8_t> bytes;
  const std::string path = assetPath(fileName);
  Playback& p = *playback;
  if (p.cueWork.joinable()) p.cueWork.join();
  const bool read = readWholeFile(path, bytes);
  if (read && p.renderer.open(bytes)) {
    if (learnt) {
      p.cues = *learnt;
      p.cuesKnown = true;
      return;
    }
    p.cuesKnown = false;
    p.cueWork = std::thread([&p, module = std::move(bytes)] {
      try {
        // The renderer has accepted the module, so the silent pass reads it too.
        p.cues.compute(module);
      } catch (const std::bad_alloc&) {
        // Without a table the music plays on and no cue comes.
      }
      p.cuesKnown.store(true, std::memory_order_release);
    });
    return;
  }
  // The show's own words, then what is wrong with the file on the line after; a module cut short
  // says where.
  std::string problem = read ? UNPLAYABLE_MUSIC : "cannot be read (missing or not a file)";
  const std::string lacking = read ? p.renderer.patternScan().missing() : std::string();
  if (!lacking.empty()) problem = "ist zu kurz: " + lacking;
  showFatal((std::string(NO_MUSIC_MESSAGE) + "\n" + path + " " + problem).c_str());
}

void MusicPlayer::play() {
  Playback& p = *playback;
  if (!p.output || !p.renderer.isOpen() || p.stream) return;
  p.stream = std::make_unique<MusicStream>(p.renderer, p.cues, p.output->bufferFrames(), p.options.syncOffsetMs,
                                           p.mailbox, &p.cuesKnown);
  p.stream->setGain(p.gain);
  p.output->start(&MusicStream::fillCallback, p.stream.get());
}

std::uint64_t MusicPlayer::seek(std::uint64_t frame) {
  Playback& p = *playback;
  if (!p.renderer.isOpen() || p.stream) return 0;
  return p.renderer.seek(frame);
}

void MusicPlayer::setPaused(bool paused) {
  if (playback->output) playback->output->setPaused(paused);
}

void MusicPlayer::setGain(float gain) {
  playback->gain = gain;
  if (playback->stream) playback->stream->setGain(gain);
}

const CueTable& MusicPlayer::cues() {
  if (playback->cueWork.joinable()) playback->cueWork.join();
  return playback->cues;
}

std::uint64_t MusicPlayer::handedFrames() const { return playback->stream ? playback->stream->handedFrames() : 0; }
