// The display surface listeners: the subsystems whose objects live on the
// DirectDraw object and its surfaces hear here when the surfaces are released
// and rebuilt (around a critical report) and when the object is freed
// (DDRAW_RELEASE). The critical reports only talk to this list, so the core
// needs to know nothing of the display.
#pragma once

// Who listens. Each slot holds at most one listener, and the slot order is
// the call order, whatever order the registrations ran in: "started",
// "rebuilt" and "freed" go from the first slot to the last, "released" from
// the last to the first, so that what is made on the display surfaces lets
// go of them before they go and takes them back after they are rebuilt.
// The display owns the surfaces, so it comes first; Direct3D, whose
// z-buffer and device hang on the back buffer, comes last.
enum class SurfaceListenerSlot { kDisplay, kBitmaps, kDirect3D, kCount };

struct DisplaySurfaceListener {
  // KORVANE_INIT: the settings surfaces are made with go back to their
  // defaults.
  void (*onStarted)();
  // The display surfaces are to be released (a critical report is shown).
  void (*onReleased)();
  // The display surfaces are to be made again in the current mode; 0 when
  // the listener's part is done, 1 when a step failed.
  int (*onRebuilt)();
  // The DirectDraw object is about to be released: free everything made
  // from it.
  void (*onFreed)();
  // The display surfaces are about to be released, for whatever reason (a
  // critical report, a new mode, DDRAW_RELEASE): let go of them now.
  void (*onLeaving)();
};

// Puts `listener` in its slot (replacing what was there). Null members are
// events the listener does not take part in.
void AddDisplaySurfaceListener(SurfaceListenerSlot slot, const DisplaySurfaceListener &listener);

// A static object of this type registers a listener when the library loads.
struct SurfaceListenerRegistration {
  SurfaceListenerRegistration(SurfaceListenerSlot slot, const DisplaySurfaceListener &listener) {
    AddDisplaySurfaceListener(slot, listener);
  }
};

void NotifyLibraryStarted();
void NotifyDisplaySurfacesReleased();
// 0 when every listener rebuilt its part, otherwise the first failure's 1.
int NotifyDisplaySurfacesRebuilt();
void NotifyDisplaySurfacesFreed();
void NotifyDisplaySurfacesLeaving();
