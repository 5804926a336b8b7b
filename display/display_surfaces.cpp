// Release and rebuild of the display surfaces. A critical report may come
// before any display exists (an input failure before DDRAW_INIT): then there
// is nothing to release and the rebuild is skipped.
#include "display/display_surfaces.h"

#include "display/display_state.h"

namespace {

template <typename T>
void ReleaseAndClear(T *&object) {
  if (object != nullptr) {
    object->Release();
    object = nullptr;
  }
}

}  // namespace

int ReleaseDisplaySurfaces() {
  ReleaseAndClear(glpDDPalette);
  ReleaseAndClear(glpDDSBack);
  ReleaseAndClear(glpDDSPrimary);
  return 0;
}

int RebuildDisplaySurfaces() {
  // Without a DirectDraw object there is no mode to rebuild in.
  if (glpDD == nullptr) return 0;
  return 1;
}
