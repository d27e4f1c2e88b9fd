#pragma once
// Plays the show's XM module and turns its Zxx commands into sync events.
//
// The sync hand-over: the music thread stores the code, then raises the pending flag; the main
// thread takes the flag with one atomic exchange and then reads the code. Events are not queued:
// only the latest code between two frames is acted on. A key press raises the flag again with the
// code unchanged.

#include <cstdint>
#include <memory>

struct MusicOptions {
  // False: no sound device is opened and nothing plays (tests, the lab, offline work).
  bool soundOutput = true;
  // Extra delay, in ms, before a sync event is delivered, for a display or audio latency.
  int syncOffsetMs = 0;
};

class MusicPlayer {
 public:
  // Checks the module library and opens the sound output; failures go to showFatal.
  explicit MusicPlayer(const MusicOptions& options = {});
  ~MusicPlayer();
  MusicPlayer(const MusicPlayer&) = delete;
  MusicPlayer& operator=(const MusicPlayer&) = delete;

  // Loads the module (resolved with assetPath) and registers the sync callback.
  void load(const char* fileName);
  // Before play: moves the music to the first row that starts at or after sample `frame` and
  // returns the sample that row starts at (0 when no module is loaded or it already plays).
  std::uint64_t seek(std::uint64_t frame);
  // Starts playback; it then runs on its own thread until the process ends.
  void play();

  // The sync callback: called on the music thread for every Zxx command played.
  static void onZxx(std::uint8_t code);
  // Returns the pending flag and clears it, in one atomic step.
  bool takePending();
  // The code of the latest Zxx command (0 until the music sends one).
  std::uint8_t lastCode() const;
  // A key press: raises the flag, keeps the code.
  void repeatSync();

  // Clears the process-wide sync state (a fresh run within one process: tests, the lab).
  static void resetSyncState();

 private:
  struct Playback;
  std::unique_ptr<Playback> playback;
};
