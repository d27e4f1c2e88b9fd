#include "app/Program.h"

#include <new>

#include "base/Fatal.h"
#include "app/LateStart.h"
#include "app/MainLoop.h"
#include "platform/SdlAudioOutput.h"
#include "platform/SdlWindow.h"
#include "display/Screen.h"
#include "platform/SdlDisplay.h"
#include "base/TimeArguments.h"
#include "base/AssetDirectory.h"

int runShowOn(Platform& platform, const ShowOptions& options) {
  try {
    Screen screen(platform.display, FRAME_WIDTH, SCREEN_HEIGHT, 32);
    platform.window.focus();
    Show show(platform.counter, options);
    runMessageLoop(platform.window, screen, show.engine());
  } catch (const std::bad_alloc&) {
    // Nothing is made half: an object that could not be allocated is never used.
    showFatal(OUT_OF_MEMORY);
  }
  return 0;
}

int runProgram(const ProgramOptions& options) {
  setAssetDirectory(options.assetDir);
  bool fullScreen = !options.windowed;
  SdlWindow window(fullScreen, options.scale);
  SdlWindow::installFatalReporter();
  SdlDisplay display(window.handle(), fullScreen);
  SteadyMillisecondCounter counter;
  Platform platform{window, display, counter};

  ShowOptions showOptions;
  showOptions.music.openOutput = &SdlAudioOutput::open;
  showOptions.music.syncOffsetMs = options.syncOffsetMs;
  std::int64_t startMicros = 0;
  if (!options.start.empty() && parseShowTime(options.start, startMicros))
    return runShowFrom(platform, showOptions, startMicros);
  return runShowOn(platform, showOptions);
}
