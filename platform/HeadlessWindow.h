#pragma once
// A window without a display, for tests and offline work: events are queued by hand, either at once
// or to arrive after a number of idle turns (counted by the calls to hideCursor, which the main
// loop makes exactly once per idle turn).

#include <deque>
#include <vector>

#include "platform/Window.h"

class HeadlessWindow final : public Window {
 public:
  bool pollEvent(WindowEvent& event) override;
  void focus() override { ++focusCalls; }
  void hideCursor() override;

  void post(const WindowEvent& event) { queue.push_back(event); }
  void postKey(int key) { post({WindowEvent::Kind::KeyDown, key}); }
  void postDestroyed() { post({WindowEvent::Kind::Destroyed, 0}); }
  // Queues the event once this many idle turns have run in total.
  void postAfterIdleTurns(int turns, const WindowEvent& event);

  int idleTurns() const { return idleTurnCount; }
  int focusCalls = 0;

 private:
  struct Scheduled {
    int turn;
    WindowEvent event;
  };
  std::deque<WindowEvent> queue;
  std::vector<Scheduled> scheduled;
  int idleTurnCount = 0;
};
