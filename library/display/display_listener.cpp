// The display's place on the surface listener list: it owns the surfaces, so
// it resets their settings at start-up and releases and rebuilds them when a
// critical report asks.
#include "core/surface_events.h"
#include "display/display_state.h"
#include "display/display_surfaces.h"

namespace {

void ReleaseSurfaces() { ReleaseDisplaySurfaces(); }

const SurfaceListenerRegistration gDisplayListens(
    SurfaceListenerSlot::kDisplay,
    DisplaySurfaceListener{ResetVideoModeSettings, ReleaseSurfaces, RebuildDisplaySurfaces, nullptr, nullptr});

}  // namespace
