#include "effects/PresentsEffect.h"

void PresentsEffect::init() {}

void PresentsEffect::render(Pixel* frame, float) { clearFrame(frame); }

void PresentsEffect::onSync(std::int32_t, float) {}
