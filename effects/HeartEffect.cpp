#include "effects/HeartEffect.h"

void HeartEffect::init() {}

void HeartEffect::render(Pixel* frame, float) { clearFrame(frame); }

void HeartEffect::onSync(std::int32_t, float) {}
