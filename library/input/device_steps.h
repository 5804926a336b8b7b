// Pieces every device initialisation and release shares: a checked step
// with its report lines, opening a device's DirectInput 7 interface, and
// releasing a device.
#pragma once

#include "input/input_state.h"

// The start of a device initialisation: refused with `refusalLine` (and no
// critical report) before DINPUT_INIT; otherwise a device opened before is
// let go rather than leaked.
bool BeginDeviceInit(LPDIRECTINPUTDEVICE7A *device, const char *refusalLine);

// The result of one initialisation step. On failure: the failure line, the
// critical report for the result, and false. On success: the detailed-mode
// line (none when null) and true.
bool InitStep(HRESULT result, const char *failureLine, const char *detailLine);

// CreateDevice(guid) into a first interface, then its IDirectInputDevice7A
// into `device`; the first interface is released either way. Each call is a
// step with its own lines (createDetail may be null).
bool OpenDevice(REFGUID guid, LPDIRECTINPUTDEVICE7A *device, const char *createFailure, const char *createDetail,
                const char *queryFailure, const char *queryDetail);

// Unacquires and releases a device and clears the pointer; false when there
// was none.
bool ReleaseDevice(LPDIRECTINPUTDEVICE7A *device);

// A read that failed because the device is not (or no longer) acquired.
bool InputLost(HRESULT result);

// SetProperty with one of DirectInput's DIPROP_ identifiers, which are small
// integers passed as GUID references (pass &DIPROP_...).
HRESULT SetDeviceProperty(LPDIRECTINPUTDEVICE7A device, const GUID *property, const DIPROPHEADER *header);

// The property records of the library: a DIPROPDWORD or DIPROPRANGE with
// its header filled for `object` addressed as `how`.
DIPROPDWORD DwordProperty(DWORD object, DWORD how, DWORD value);
DIPROPRANGE RangeProperty(DWORD object, LONG minimum, LONG maximum);
