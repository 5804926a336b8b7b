// The slots of the display surface listeners and the calls over them.
#include "core/surface_events.h"

namespace {

constexpr int kSlotCount = static_cast<int>(SurfaceListenerSlot::kCount);

// Zero-initialised before any registration runs.
DisplaySurfaceListener gListeners[kSlotCount];

}  // namespace

void AddDisplaySurfaceListener(SurfaceListenerSlot slot, const DisplaySurfaceListener &listener) {
  const int index = static_cast<int>(slot);
  if (index >= 0 && index < kSlotCount) gListeners[index] = listener;
}

void NotifyLibraryStarted() {
  for (const DisplaySurfaceListener &listener : gListeners) {
    if (listener.onStarted != nullptr) listener.onStarted();
  }
}

void NotifyDisplaySurfacesReleased() {
  for (int index = kSlotCount - 1; index >= 0; --index) {
    if (gListeners[index].onReleased != nullptr) gListeners[index].onReleased();
  }
}

int NotifyDisplaySurfacesRebuilt() {
  int result = 0;
  for (const DisplaySurfaceListener &listener : gListeners) {
    if (listener.onRebuilt == nullptr) continue;
    const int rebuilt = listener.onRebuilt();
    if (result == 0) result = rebuilt;
  }
  return result;
}

void NotifyDisplaySurfacesFreed() {
  for (const DisplaySurfaceListener &listener : gListeners) {
    if (listener.onFreed != nullptr) listener.onFreed();
  }
}

void NotifyDisplaySurfacesLeaving() {
  for (int index = kSlotCount - 1; index >= 0; --index) {
    if (gListeners[index].onLeaving != nullptr) gListeners[index].onLeaving();
  }
}
