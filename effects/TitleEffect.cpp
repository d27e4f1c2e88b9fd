#include "effects/TitleEffect.h"

void TitleEffect::init() {}

void TitleEffect::render(Pixel* frame, float) { clearFrame(frame); }

void TitleEffect::onSync(std::int32_t, float) {}
