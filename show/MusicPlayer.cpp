#include "show/MusicPlayer.h"

#include <string>
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
  std::unique_ptr<MusicStream> stream;
  // Declared last so it closes first: no callback runs while the stream and renderer go away.
  std::unique_ptr<AudioOutput> output;
};

MusicPlayer::MusicPlayer(SyncMailbox& mailbox, const MusicOptions& options)
    : playback(std::make_unique<Playback>(mailbox)) {
  playback->options = options;
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

MusicPlayer::~MusicPlayer() = default;

void MusicPlayer::load(const char* fileName) {
  // The module cannot change under the audio thread once it plays.
  if (playback->stream) return;
  std::vector<std::uint8_t> bytes;
  const std::string path = assetPath(fileName);
  const char* problem = !readWholeFile(path, bytes)       ? "cannot be read (missing or not a file)"
                        : !playback->renderer.open(bytes) ? UNPLAYABLE_MUSIC
                                                          : nullptr;
  if (problem) showFatal((std::string(NO_MUSIC_MESSAGE) + "\n" + path + " " + problem).c_str());
}

void MusicPlayer::play() {
  Playback& p = *playback;
  if (!p.output || !p.renderer.isOpen() || p.stream) return;
  p.stream = std::make_unique<MusicStream>(p.renderer, p.output->bufferFrames(), p.options.syncOffsetMs,
                                           p.mailbox);
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

std::uint64_t MusicPlayer::handedFrames() const { return playback->stream ? playback->stream->handedFrames() : 0; }
