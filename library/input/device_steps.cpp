// Shared steps of the device initialisations and releases.
#include "input/device_steps.h"

#include "core/critical.h"
#include "core/report.h"

bool BeginDeviceInit(LPDIRECTINPUTDEVICE7A *device, const char *refusalLine) {
  if (glpDI == nullptr) {
    ReportLine("%s", refusalLine);
    return false;
  }
  ReleaseDevice(device);
  return true;
}

bool InitStep(HRESULT result, const char *failureLine, const char *detailLine) {
  if (FAILED(result)) {
    ReportLine("%s", failureLine);
    DICritical(result);
    return false;
  }
  if (detailLine != nullptr) ReportDetail("%s", detailLine);
  return true;
}

bool OpenDevice(REFGUID guid, LPDIRECTINPUTDEVICE7A *device, const char *createFailure, const char *createDetail,
                const char *queryFailure, const char *queryDetail) {
  LPDIRECTINPUTDEVICEA first = nullptr;
  if (!InitStep(glpDI->CreateDevice(guid, &first, nullptr), createFailure, createDetail)) return false;
  HRESULT queried = first->QueryInterface(IID_IDirectInputDevice7A, reinterpret_cast<void **>(device));
  // The first interface is not kept, whatever the query gave.
  first->Release();
  if (FAILED(queried)) *device = nullptr;
  return InitStep(queried, queryFailure, queryDetail);
}

bool ReleaseDevice(LPDIRECTINPUTDEVICE7A *device) {
  if (*device == nullptr) return false;
  (*device)->Unacquire();
  (*device)->Release();
  *device = nullptr;
  return true;
}

bool InputLost(HRESULT result) { return result == DIERR_INPUTLOST || result == DIERR_NOTACQUIRED; }

// Binding the small-integer identifier to the method's GUID reference is what
// DirectInput's own headers do; it is kept out of alignment checking here.
__attribute__((no_sanitize("alignment"))) HRESULT SetDeviceProperty(LPDIRECTINPUTDEVICE7A device,
                                                                    const GUID *property,
                                                                    const DIPROPHEADER *header) {
  return device->SetProperty(*property, header);
}

DIPROPDWORD DwordProperty(DWORD object, DWORD how, DWORD value) {
  DIPROPDWORD property = {};
  property.diph = {sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), object, how};
  property.dwData = value;
  return property;
}

DIPROPRANGE RangeProperty(DWORD object, LONG minimum, LONG maximum) {
  DIPROPRANGE property = {};
  property.diph = {sizeof(DIPROPRANGE), sizeof(DIPROPHEADER), object, DIPH_BYOFFSET};
  property.lMin = minimum;
  property.lMax = maximum;
  return property;
}
