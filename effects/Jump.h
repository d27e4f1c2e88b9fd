#pragma once
// The upward jump of a picture on a sync event, shared by the tunnel's overlay and the heart's side
// halves: it starts at offset 0 with a fixed velocity, climbs to a cap and falls back. The velocity
// loses speed once per rendered frame, in proportion to the whole time since the start, so a jump
// is shorter in time at a higher frame rate.

struct Jump {
  // The tunnel's law adds the new velocity before its rounding to a float, the heart's the float
  // just stored; the two sums can truncate to different rows, so each scene keeps its own law.
  enum class Sum { UnroundedVelocity, StoredVelocity };

  bool active = false;
  float offset = 0.0f;    // pixels upward, 0..cap
  float velocity = 0.0f;  // pixels per frame
  float startTime = 0.0f;  // ms

  void start(float timeMs, float startVelocity) {
    active = true;
    velocity = startVelocity;
    offset = 0.0f;
    startTime = timeMs;
  }

  // One frame, elapsed ms after the start; a sum that is not below the cap (or not a number)
  // stops at the cap, and the first offset below 0 ends the jump.
  void advance(double elapsed, float slowdown, float cap, Sum sum) {
    if (!active) return;
    const double unrounded = static_cast<double>(velocity) - elapsed * static_cast<double>(slowdown);
    velocity = static_cast<float>(unrounded);
    const double total =
        (sum == Sum::UnroundedVelocity ? unrounded : static_cast<double>(velocity)) + static_cast<double>(offset);
    offset = total < static_cast<double>(cap) ? static_cast<float>(total) : cap;
    if (offset < 0.0f) {
      active = false;
      offset = 0.0f;
    }
  }
};
