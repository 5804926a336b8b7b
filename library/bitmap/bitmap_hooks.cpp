// Where the bitmap registry hooks into the rest of the library: every bitmap
// is freed with the DirectDraw object it was made from, and by the reset.
#include "bitmap/bitmap_registry.h"
#include "core/state_reset.h"
#include "core/surface_events.h"

namespace {

const SurfaceListenerRegistration gBitmapsListen(SurfaceListenerSlot::kBitmaps,
                                                 DisplaySurfaceListener{nullptr, nullptr, nullptr, Bitmap_FreeAll, nullptr});

const korvane::StateResetHook gResetBitmaps(korvane::ResetStage::kBitmaps, Bitmap_FreeAll);

}  // namespace
