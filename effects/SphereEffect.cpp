#include "effects/SphereEffect.h"

void SphereEffect::init() {}

void SphereEffect::render(Pixel* frame, float) { clearFrame(frame); }

void SphereEffect::onSync(std::int32_t, float) {}
