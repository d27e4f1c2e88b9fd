#include "effects/EndEffect.h"

#include "app/QuitRequest.h"
#include "image/Loaders.h"

EndEffect::EndEffect() : endImage(std::make_unique<Pixel[]>(TEXTURE_PIXELS)) {
  loadPcx(endImage.get(), "ende.pcx", TEXTURE_PIXELS);
}

void EndEffect::init() {}

void EndEffect::render(Pixel* frame, float) {
  clearFrame(frame);
  blitKeyed(frame, endImage.get(), TEXTURE_SIZE, TEXTURE_SIZE, PICTURE_COLUMN, PICTURE_ROW);
}

void EndEffect::onSync(std::int32_t code, float) {
  if (code == QUIT_CODE) postQuitRequest();
}
