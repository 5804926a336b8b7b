// Presenting frames: SURFACE_FLIP, which flips only when the chain can flip
// now, and WAIT_FOR_VB.
#include "display/display_state.h"
#include "korvane.h"

extern "C" int SURFACE_FLIP(void) {
  if (glpDDSPrimary == nullptr) return RefuseWithoutSurface();
  if (FAILED(glpDDSPrimary->GetFlipStatus(DDGFS_CANFLIP))) return 1;
  glpDDSPrimary->Flip(nullptr, 0);
  return 0;
}

extern "C" int WAIT_FOR_VB(int flag) {
  if (glpDD == nullptr) return DDERR_NOTINITIALIZED;
  const DWORD wait = flag >= 1 ? DDWAITVB_BLOCKBEGIN : DDWAITVB_BLOCKEND;
  return glpDD->WaitForVerticalBlank(wait, nullptr);
}
