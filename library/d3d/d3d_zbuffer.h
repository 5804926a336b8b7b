// The z-buffer of the device: the formats the driver offers written to the
// report, the one chosen for the requested depth, and the surface created
// and attached to the back buffer.
#pragma once

#include <windows.h>

// Steps of CREATE3D_DEVICE that make the z-buffer for `depth` bits; 0 when
// it is attached to the back buffer, 1 after the failure's line (and the
// critical report where a platform call failed).
int CreateZBuffer(int depth);
