#include "effects/PlaneEffect.h"

void PlaneEffect::init() {}

void PlaneEffect::render(Pixel* frame, float) { clearFrame(frame); }

void PlaneEffect::onSync(std::int32_t, float) {}
