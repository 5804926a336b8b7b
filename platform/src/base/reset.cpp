// The registry of reset hooks: every module's way back to the power-on
// machine, run in the order the modules registered.
#include "base/reset.h"

#include <mutex>
#include <vector>

namespace {

std::mutex &HookLock() {
  static std::mutex lock;
  return lock;
}

std::vector<void (*)()> &Hooks() {
  static std::vector<void (*)()> hooks;
  return hooks;
}

}  // namespace

namespace platform {

ResetHook::ResetHook(void (*reset)()) {
  std::lock_guard<std::mutex> hold(HookLock());
  Hooks().push_back(reset);
}

void RunResetHooks() {
  std::vector<void (*)()> hooks;
  {
    std::lock_guard<std::mutex> hold(HookLock());
    hooks = Hooks();
  }
  for (auto reset : hooks) reset();
}

}  // namespace platform
