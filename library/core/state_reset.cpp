// The registry of state resets and the run over it, stage by stage.
#include "core/state_reset.h"

namespace korvane {

namespace {

// Zero-initialised before any registration runs, whatever the order in
// which the subsystems' static objects are constructed.
StateResetHook *gFirstHook = nullptr;

}  // namespace

StateResetHook::StateResetHook(ResetStage stage, void (*reset)()) : stage_(stage), reset_(reset), next_(gFirstHook) {
  gFirstHook = this;
}

void ResetLibraryStateForTests(void (*resetPlatform)()) {
  const auto runStage = [](int stage) {
    for (StateResetHook *hook = gFirstHook; hook != nullptr; hook = hook->next_) {
      if (static_cast<int>(hook->stage_) == stage) hook->reset_();
    }
  };
  const int reload = static_cast<int>(ResetStage::kReload);
  for (int stage = 0; stage < reload; ++stage) runStage(stage);
  if (resetPlatform != nullptr) resetPlatform();
  for (int stage = reload; stage < static_cast<int>(ResetStage::kCount); ++stage) runStage(stage);
}

}  // namespace korvane
