// The list of display modes DDRAW_INIT finds: filled from DirectDraw's
// enumeration, searched by id, freed by DDRAW_RELEASE.
#pragma once

#include <windows.h>
#include <ddraw.h>

#include "display/display_state.h"

// Lists every mode DirectDraw offers, each under the next id. A negative
// result of the enumeration is returned, and DDERR_OUTOFMEMORY when memory
// for a record ran out (the list keeps what was found either way).
HRESULT ListVideoModes();

// The first record with the id, or null.
VideoMode *FindVideoMode(int id);

// Frees the whole list, head first, with its detailed report lines.
void VideoModes_FreeAll();
