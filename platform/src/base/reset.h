// Reset hooks: each platform module registers, at load time, the function
// that puts its state back to the power-on machine; machine::reset() runs
// them all.
#pragma once

namespace platform {

class ResetHook {
 public:
  explicit ResetHook(void (*reset)());
};

void RunResetHooks();

}  // namespace platform
