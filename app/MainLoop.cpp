#include "app/MainLoop.h"

#include "base/QuitRequest.h"

void handleWindowEvent(const WindowEvent& event, SyncMailbox& sync) {
  switch (event.kind) {
    case WindowEvent::Kind::Destroyed:
      postQuitRequest();
      break;
    case WindowEvent::Kind::KeyDown:
      if (event.key == KEY_ESCAPE)
        postQuitRequest();
      else
        sync.repeat();
      break;
  }
}

void runIdleTurn(Window& window, Screen& screen, Engine& engine) {
  engine.clock().update();
  float timeMs = engine.clock().elapsedMs();
  engine.sequencer().runFrame(screen.frame(), timeMs);
  window.hideCursor();
  screen.present();
}

void runMessageLoop(Window& window, Screen& screen, Engine& engine) {
  WindowEvent event;
  for (;;) {
    if (window.pollEvent(event)) {
      handleWindowEvent(event, engine.sync());
      continue;
    }
    // The quit message is taken only when nothing else waits.
    if (quitRequested()) return;
    runIdleTurn(window, screen, engine);
  }
}
