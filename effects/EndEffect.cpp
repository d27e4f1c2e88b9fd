#include "effects/EndEffect.h"

void EndEffect::init() {}

void EndEffect::render(Pixel* frame, float) { clearFrame(frame); }

void EndEffect::onSync(std::int32_t, float) {}
