// How a Direct3D module makes itself known to DirectDraw: it registers a
// factory that answers IDirectDraw7::QueryInterface(IID_IDirect3D7), so
// DirectDraw never includes Direct3D code. With none registered the answer
// is E_NOINTERFACE.
#pragma once

#include <windows.h>
#include <ddraw.h>

namespace platform {

// Makes the Direct3D object of `directDraw` into *direct3d, holding a
// reference for the caller, or fails with its result.
using Direct3DFactory = HRESULT (*)(IDirectDraw7 *directDraw, void **direct3d);

// The factory QueryInterface calls from now on; null removes it.
void RegisterDirect3DFactory(Direct3DFactory factory);
Direct3DFactory RegisteredDirect3DFactory();

}  // namespace platform
