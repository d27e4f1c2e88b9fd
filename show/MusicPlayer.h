#pragma once
// Plays the show's XM module on the sound device it is given and posts its Zxx commands, as they
// are heard, to the engine's sync mailbox.

#include <cstdint>
#include <memory>

#include "show/AudioOutput.h"
#include "show/CueTable.h"
#include "show/SyncMailbox.h"

// The module the show plays, in the asset folder.
inline constexpr const char* MUSIC_FILE = "zod.xm";
// The report when the module cannot be read or played.
inline constexpr const char* NO_MUSIC_MESSAGE = "ehmzz.. keine Daten";
// What is wrong with a file that is there but not a module.
inline constexpr const char* UNPLAYABLE_MUSIC = "is not a module the player reads";

struct MusicOptions {
  // Opens the sound device. Null: none is opened and nothing plays (tests, the lab, offline work).
  AudioOutput::Opener openOutput = nullptr;
  // Extra delay, in ms, before a sync event is delivered, for a display or audio latency.
  int syncOffsetMs = 0;
  // The gain on the samples handed to the device (1: as rendered); setGain changes it later.
  float gain = 1.0f;
};

class MusicPlayer {
 public:
  // Checks the module library and opens the sound output; failures go to showFatal.
  MusicPlayer(SyncMailbox& mailbox, const MusicOptions& options);
  ~MusicPlayer();
  MusicPlayer(const MusicPlayer&) = delete;
  MusicPlayer& operator=(const MusicPlayer&) = delete;

  // Loads the module (resolved with assetPath). `learnt`, when given, is this module's cue table
  // from an earlier load, taken as it is instead of being learnt again.
  void load(const char* fileName, const CueTable* learnt = nullptr);
  // Before play: moves the music to the first row that starts at or after sample `frame` and
  // returns the sample that row starts at (0 when no module is loaded or it already plays).
  std::uint64_t seek(std::uint64_t frame);
  // Starts playback; it then runs on the device's thread until the player goes away.
  void play();
  // Holds or resumes the sound device, and with it the music and its cues; a device held before
  // play stays silent until it is resumed.
  void setPaused(bool paused);
  // The gain on the samples handed to the device (1: as rendered), before or while playing.
  void setGain(float gain);
  // The loaded module's cues with their samples (empty when none is loaded); waits for the pass
  // that learns them.
  const CueTable& cues();
  // The samples handed to the device so far; read it while paused.
  std::uint64_t handedFrames() const;

 private:
  struct Playback;
  std::unique_ptr<Playback> playback;
};
