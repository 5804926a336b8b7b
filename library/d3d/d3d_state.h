// The Direct3D module state: the Direct3D object, the one device, its
// z-buffer, the device type chosen and the z-buffer depth asked for, and the
// guard the exports share when they are called before the device exists.
#pragma once

#include <windows.h>
#include <ddraw.h>
#include <d3d.h>

extern LPDIRECT3D7 glpD3D;
extern LPDIRECT3DDEVICE7 glpD3DDevice;
extern LPDIRECTDRAWSURFACE7 glpDDSZBuffer;
// IID_IDirect3DHALDevice or IID_IDirect3DRGBDevice as CREATE3D_DEVICE chose
// it; it stays HAL when the device fell back to RGB.
extern GUID gD3DDeviceType;
extern int gZBufferDepth;
// A one-pixel surface the device renders to while the display surfaces are
// away (between their release and their rebuild, or after a new mode until
// the device is made again): the device never holds a released surface.
extern LPDIRECTDRAWSURFACE7 glpDDSStandIn;

// The device, or null after writing " !!! <exportName> : no Direct3D device
// !!!": the refusal of every export that needs the device and finds none.
LPDIRECT3DDEVICE7 DeviceFor(const char *exportName);

// Counts the set bits of a mask (the digits of a format code).
int CountBits(DWORD mask);

// Releases the device, the z-buffer (detached from the back buffer first,
// so that the back buffer can take another one) and the stand-in target
// without a report line.
void ReleaseDeviceAndZBuffer();

// The common end of an export's device call: 0 for D3D_OK; otherwise the
// failure line (when given), the critical report (when `critical`) and 1.
int DeviceCallResult(HRESULT result, const char *failureLine, bool critical);

// What a call with an argument the device cannot take (a null record, more
// vertices than a primitive may have) is answered with, as the device
// itself answers it.
constexpr HRESULT kRefusedArgument = DDERR_INVALIDPARAMS;
