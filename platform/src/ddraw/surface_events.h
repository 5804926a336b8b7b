// Listeners told when a DirectDraw surface is lost, restored or released, so
// that a module holding things made from surfaces (a Direct3D device and its
// texture cache) can drop or rebuild them. Listeners run on the thread that
// uses DirectDraw, with no lock held; a listener may release other surfaces,
// but a surface told as released is being destroyed and must not be used.
#pragma once

#include <windows.h>
#include <ddraw.h>

#include <vector>

namespace platform {

class Surface;

enum class SurfaceEvent { kLost, kRestored, kReleased };

using SurfaceListener = void (*)(void *context, IDirectDrawSurface7 *surface, SurfaceEvent event);

// Adds a listener (once per listener and context) or removes it.
void AddSurfaceListener(SurfaceListener listener, void *context);
void RemoveSurfaceListener(SurfaceListener listener, void *context);

// For the surfaces: their birth and death (a surface being destroyed is
// told as released while its memory still exists).
void SurfaceMade(Surface *surface);
void SurfaceReleased(Surface *surface);

// Takes the display memory from every surface that lives in it, as a mode
// change or another program taking the display does, and tells the
// listeners of each surface that became lost.
void LoseDisplaySurfaces();

// Tells the listeners of each surface that is still alive that it was
// restored.
void TellRestored(const std::vector<Surface *> &restored);

}  // namespace platform
