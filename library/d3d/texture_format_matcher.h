// The texture format request (depth, DDPF flags, format code) and the
// matcher that picks the first offered texture format satisfying it.
#pragma once

#include <windows.h>
#include <ddraw.h>
#include <d3d.h>

// Set by IS_TEXTURE_FORMAT and LOAD_TEXTURE_BITMAP before they enumerate.
extern int gRequestedTextureDepth;
extern DWORD gRequestedTextureFlags;
extern int gRequestedTextureCode;

void SetTextureFormatRequest(int depth, DWORD flags, int code);

// Enumerates the device's texture formats into `format` (cleared first);
// true when one matched the request (its line written, its 32 bytes copied).
bool FindRequestedTextureFormat(LPDIRECT3DDEVICE7 device, DDPIXELFORMAT *format);
