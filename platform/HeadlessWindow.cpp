#include "platform/HeadlessWindow.h"

bool HeadlessWindow::pollEvent(WindowEvent& event) {
  if (queue.empty()) return false;
  event = queue.front();
  queue.pop_front();
  return true;
}

void HeadlessWindow::postAfterIdleTurns(int turns, const WindowEvent& event) {
  if (turns <= idleTurnCount) {
    post(event);
    return;
  }
  scheduled.push_back({turns, event});
}

void HeadlessWindow::hideCursor() {
  ++idleTurnCount;
  for (auto it = scheduled.begin(); it != scheduled.end();) {
    if (it->turn <= idleTurnCount) {
      post(it->event);
      it = scheduled.erase(it);
    } else {
      ++it;
    }
  }
}
