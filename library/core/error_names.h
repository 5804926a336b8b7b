// Names of platform result codes, one table per API. A code a table does not
// list gives the table's fallback text, which callers compare against.
#pragma once

#include <windows.h>

extern const char kUnknownDirectDrawError[];
extern const char kUnknownDirect3DError[];
extern const char kUnknownDirectInputError[];
extern const char kUnknownDirectSoundError[];
extern const char kUnknownMMSystemError[];

const char *DDErrorName(HRESULT result);
const char *D3DErrorName(HRESULT result);
const char *DIErrorName(HRESULT result);
const char *DSErrorName(HRESULT result);
const char *CDErrorName(DWORD error);
const char *MIDIErrorName(DWORD error);
