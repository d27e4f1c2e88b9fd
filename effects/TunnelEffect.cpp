#include "effects/TunnelEffect.h"

void TunnelEffect::init() {}

void TunnelEffect::render(Pixel* frame, float) { clearFrame(frame); }

void TunnelEffect::onSync(std::int32_t, float) {}
