#include "show/MusicPlayer.h"

// The page's MusicPlayer: the page itself plays the music (rendered at build time) with the
// browser's audio and posts each cue to the engine's mailbox when the audio clock reaches it, so
// there is no module to load and no device to play on here.

struct MusicPlayer::Playback {};

MusicPlayer::MusicPlayer(SyncMailbox&, const MusicOptions&) {}

MusicPlayer::~MusicPlayer() = default;

void MusicPlayer::load(const char*, const CueTable*) {}

std::uint64_t MusicPlayer::seek(std::uint64_t) { return 0; }

void MusicPlayer::play() {}
