#pragma once
// Everything the program creates once the screen is up, in start-up order: the sine and cosine
// tables, the Engine (clock, timeline, music), one object of each catalogued effect, each
// initialised right after it is made, the 39 timeline entries, and finally the music loaded and
// started. The program, the lab
// and offline capture all start the show through this one piece; none of it needs a window.

#include <memory>
#include <string_view>
#include <vector>

#include "show/Effect.h"
#include "show/Engine.h"
#include "show/MillisecondCounter.h"

struct ShowOptions {
  MusicOptions music;
  // False leaves the module unloaded and silent (work without a sound device or a module file).
  bool startMusic = true;
};

class Show {
 public:
  // Runs the start-up. Failures are reported through showFatal and start-up goes on, as the
  // program always did; the main loop then ends before the first frame.
  Show(MillisecondCounter& counter, const ShowOptions& options);
  ~Show();
  Show(const Show&) = delete;
  Show& operator=(const Show&) = delete;

  Engine& engine() { return *enginePart; }
  // The object of the catalogued effect of that name, or null.
  Effect* effect(std::string_view name) const;
  // The catalogue name of one of this show's effect objects, or null.
  const char* effectName(const Effect* object) const;

 private:
  std::unique_ptr<Engine> enginePart;
  // One per catalogue row, in catalogue order.
  std::vector<std::unique_ptr<Effect>> effectObjects;
};
