#pragma once
// An effect that draws nothing and writes down every call it gets, in one log shared by several
// effects so that tests can see the order of calls across scenes.

#include <cstdint>
#include <string>
#include <vector>

#include "show/Effect.h"

struct EffectCall {
  std::string effect;
  char what;  // 'i' init, 'r' render, 'a' advance, 's' onSync
  std::int32_t code;
  float timeMs;
};

class RecordingEffect final : public Effect {
 public:
  RecordingEffect(std::string effectName, std::vector<EffectCall>& callLog)
      : name(std::move(effectName)), log(callLog) {}
  void init() override { log.push_back({name, 'i', 0, 0.0f}); }
  void render(Pixel*, float timeMs) override { log.push_back({name, 'r', 0, timeMs}); }
  void advance(float timeMs) override { log.push_back({name, 'a', 0, timeMs}); }
  void onSync(std::int32_t code, float timeMs) override { log.push_back({name, 's', code, timeMs}); }

  const std::string name;

 private:
  std::vector<EffectCall>& log;
};
