// machine::reset and the registry of reset hooks behind it.
#include <mutex>
#include <vector>

#include "control/reset.h"
#include "machine.h"

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

void machine::reset() { platform::RunResetHooks(); }
