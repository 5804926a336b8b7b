// The busy flag between the host thread and the multimedia-timer thread.
// The host raises it around everything it does to the player, the voices
// and the sample tables; a timer step that finds it raised does nothing.
#pragma once

#include <atomic>

namespace music {

class PlayerGate {
 public:
  // The timer thread: true when the step may run (the flag is now raised
  // for it), false when the host is busy.
  bool TryEnter() { return !busy_.exchange(true, std::memory_order_acquire); }
  // The host thread: waits while a timer step is under way (a step is
  // short and never waits for the host), then raises the flag.
  void Enter();
  void Leave() { busy_.store(false, std::memory_order_release); }

 private:
  std::atomic<bool> busy_{false};
};

extern PlayerGate gPlayerBusy;

// Holds the busy flag for the host for one scope.
class HostBusy {
 public:
  HostBusy() { gPlayerBusy.Enter(); }
  ~HostBusy() { gPlayerBusy.Leave(); }
  HostBusy(const HostBusy &) = delete;
  HostBusy &operator=(const HostBusy &) = delete;
};

}  // namespace music
