#include "effects/EndEffect.h"

#include "base/QuitRequest.h"
#include "image/ShowPictures.h"
#include "render/KeyedCopy.h"
#include "show/StudyReport.h"

void EndEffect::init() {
  endImage = std::make_unique<Pixel[]>(TEXTURE_PIXELS);
  loadShowPicture(endImage.get(), ENDE);
}

void EndEffect::render(Pixel* frame, float) {
  clearFrame(frame);
  for (int r = 0; r < TEXTURE_SIZE; ++r) {
    copyKeyedRun(frame + (PICTURE_ROW + r) * FRAME_WIDTH + PICTURE_COLUMN, endImage.get() + r * TEXTURE_SIZE,
                 TEXTURE_SIZE);
  }
}

void EndEffect::onSync(std::int32_t code, float) {
  if (code == QUIT_CODE) postQuitRequest();
}

void EndEffect::describe(StudyReport& report) const {
  report.rect(StudyLayer::Pictures, PICTURE_COLUMN, PICTURE_ROW, TEXTURE_SIZE, TEXTURE_SIZE);
}
