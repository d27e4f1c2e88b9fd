#include <gtest/gtest.h>

#include <string>

#include "platform/HeadlessDisplay.h"
#include "display/Screen.h"
#include "tests/FatalRecorder.h"

namespace {

TEST(Screen, FrameStartsBlackOverAllItsRows) {
  FatalRecorder fatal;
  HeadlessDisplay display;
  Screen screen(display, FRAME_WIDTH, SCREEN_HEIGHT, 32);
  for (int i = 0; i < SCREEN_PIXELS; ++i) ASSERT_EQ(screen.frame()[i], 0u) << i;
}

TEST(Screen, PresentPutsFrameRowsFiftyTwoDownAndNeverTouchesTheBars) {
  FatalRecorder fatal;
  HeadlessDisplay display;
  Screen screen(display, FRAME_WIDTH, SCREEN_HEIGHT, 32);
  // Every pixel of the allocation distinct and non-zero, the scratch rows below 280 included.
  for (int i = 0; i < SCREEN_PIXELS; ++i) screen.frame()[i] = 0x00010000u + static_cast<Pixel>(i);
  screen.present();
  for (int row = 0; row < SCREEN_HEIGHT; ++row) {
    for (int x = 0; x < FRAME_WIDTH; x += 73) {
      Pixel shown = display.surface()[row * FRAME_WIDTH + x];
      bool inBand = row >= 52 && row < 52 + 280;
      Pixel expected = inBand ? screen.frame()[(row - 52) * FRAME_WIDTH + x] : 0u;
      ASSERT_EQ(shown, expected) << "row " << row << " x " << x;
    }
  }
  EXPECT_EQ(display.presentedFrames, 1);
  EXPECT_TRUE(fatal.reports().empty());
}

TEST(Screen, EachFailedSetUpStepReportsItsOwnMessageAndNothingIsPresented) {
  struct Case {
    bool HeadlessDisplay::*failure;
    const char* message;
  };
  const Case cases[] = {
      {&HeadlessDisplay::failOpen, "Leider kan ich kein DirektZeichen Objekt schaffen"},
      {&HeadlessDisplay::failExclusive, "Leider kan ich kein ZusammenarbeitNiveau einstellen"},
      {&HeadlessDisplay::failMode, "Leider kan ich kein Zeichenmodus einstellen"},
      {&HeadlessDisplay::failSurface, "Leider kan ich keine ZeichenPuffers schaffen"},
  };
  for (const Case& c : cases) {
    FatalRecorder fatal;
    HeadlessDisplay display;
    display.*c.failure = true;
    Screen screen(display, FRAME_WIDTH, SCREEN_HEIGHT, 32);
    EXPECT_EQ(fatal.reports(), (std::vector<std::string>{std::string("Dirurar Dararerad Fehler|") + c.message}));
    EXPECT_TRUE(quitRequested());
    ASSERT_NE(screen.frame(), nullptr);
    screen.present();
    EXPECT_EQ(display.verticalBlanks, 0);
    EXPECT_EQ(display.presentedFrames, 0);
  }
}

TEST(Screen, FailedLockSkipsTheCopy) {
  FatalRecorder fatal;
  HeadlessDisplay display;
  Screen screen(display, FRAME_WIDTH, SCREEN_HEIGHT, 32);
  screen.frame()[0] = 0x00123456u;
  display.failLock = true;
  screen.present();
  EXPECT_EQ(display.surface()[52 * FRAME_WIDTH], 0u);
  EXPECT_EQ(display.presentedFrames, 0);
  display.failLock = false;
  screen.present();
  EXPECT_EQ(display.surface()[52 * FRAME_WIDTH], 0x00123456u);
}

}  // namespace
