// The registered Direct3D factory: one atomic pointer, set when the Direct3D
// module loads and read by every QueryInterface for it.
#include "ddraw/direct3d_hook.h"

#include <atomic>

namespace platform {

namespace {

std::atomic<Direct3DFactory> gFactory{nullptr};

}  // namespace

void RegisterDirect3DFactory(Direct3DFactory factory) { gFactory.store(factory); }

Direct3DFactory RegisteredDirect3DFactory() { return gFactory.load(); }

}  // namespace platform
