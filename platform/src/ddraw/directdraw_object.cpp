// DirectDrawCreateEx and the reference-counted DirectDraw 7 object.
#include "ddraw/directdraw_object.h"

#include "control/faults.h"
#include "machine.h"

namespace {
std::atomic<int> gLiveObjects{0};
}

namespace platform {

DirectDraw7::DirectDraw7() { ++gLiveObjects; }
DirectDraw7::~DirectDraw7() { --gLiveObjects; }

HRESULT DirectDraw7::QueryInterface(REFIID riid, void **object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDirectDraw7)) {
    AddRef();
    *object = static_cast<IDirectDraw7 *>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG DirectDraw7::AddRef() { return ++references_; }

ULONG DirectDraw7::Release() {
  ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

}  // namespace platform

extern "C" HRESULT WINAPI DirectDrawCreateEx(GUID *guid, LPVOID *directDraw, REFIID iid,
                                             IUnknown *outer) {
  if (directDraw == nullptr) return E_INVALIDARG;
  *directDraw = nullptr;
  HRESULT fault;
  if (platform::TakeFault("DirectDrawCreateEx", &fault)) return fault;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  // Only the default device exists, and only the DirectDraw 7 interface is
  // made by this factory.
  if (guid != nullptr || !IsEqualGUID(iid, IID_IDirectDraw7)) return E_INVALIDARG;
  *directDraw = static_cast<IDirectDraw7 *>(new platform::DirectDraw7());
  return S_OK;
}

int machine::live_directdraw_objects() { return gLiveObjects.load(); }
