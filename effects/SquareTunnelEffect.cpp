#include "effects/SquareTunnelEffect.h"

void SquareTunnelEffect::init() {}

void SquareTunnelEffect::render(Pixel* frame, float) { clearFrame(frame); }

void SquareTunnelEffect::onSync(std::int32_t, float) {}
