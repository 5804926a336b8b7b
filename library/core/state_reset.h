// Putting the library back into the state it has just after loading, so that
// test cases can share one process. Each subsystem registers the function
// that releases what it holds and clears its globals; hosts never call this.
#pragma once

namespace korvane {

// The order resets run in. The report is closed first, so that releasing
// writes no lines; the devices then go in KORVANE_EXIT's order (input,
// music, sound, Direct3D, bitmaps before the DirectDraw object they were made
// from); the core's own state comes next. The reload stage runs last, after
// the platform's reset: it reads again what the library reads from the
// machine when it loads.
enum class ResetStage { kReport, kInput, kMusic, kSound, kDirect3D, kBitmaps, kDisplay, kMath, kCore, kReload, kCount };

// A static object of this type registers `reset` for its stage. Within one
// stage the order is unspecified, so hooks of a stage must not depend on
// one another. Registration allocates nothing.
class StateResetHook {
 public:
  StateResetHook(ResetStage stage, void (*reset)());

 private:
  friend void ResetLibraryStateForTests(void (*resetPlatform)());
  ResetStage stage_;
  void (*reset_)();
  StateResetHook *next_;
};

// Releases every platform object the library holds and puts each global
// back to its value at load. `resetPlatform`, when given, runs after the
// release (objects go back to the machine that made them) and before the
// reload stage reads the state read at load (the Windows version) again from
// the fresh machine.
void ResetLibraryStateForTests(void (*resetPlatform)() = nullptr);

}  // namespace korvane
