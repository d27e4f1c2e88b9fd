#pragma once
// Everything the program creates once the screen is up, in start-up order: the sine and cosine
// tables, the Engine (clock, timeline, music), the eight effects each initialised right after it
// is made, the 39 timeline entries, and finally the music loaded and started. The program, the lab
// and offline capture all start the show through this one piece; none of it needs a window.

#include <memory>

#include "show/Engine.h"
#include "show/MillisecondCounter.h"
#include "show/Timeline.h"

class TitleEffect;
class SphereEffect;
class SquareTunnelEffect;
class TunnelEffect;
class PlaneEffect;
class HeartEffect;
class PresentsEffect;
class EndEffect;

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
  const TimelineEffects& effects() const { return timelineEffects; }

 private:
  std::unique_ptr<Engine> enginePart;
  std::unique_ptr<TitleEffect> title;
  std::unique_ptr<SphereEffect> sphere;
  std::unique_ptr<SquareTunnelEffect> squareTunnel;
  std::unique_ptr<TunnelEffect> tunnel;
  std::unique_ptr<PlaneEffect> plane;
  std::unique_ptr<HeartEffect> heart;
  std::unique_ptr<PresentsEffect> presents;
  std::unique_ptr<EndEffect> end;
  TimelineEffects timelineEffects{};
};
