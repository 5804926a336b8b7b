// What the CD audio and MIDI functions share: the result of the last MCI
// request either of them sent, and the one way they send requests.
#pragma once

#include <windows.h>
#include <mmsystem.h>

extern MCIERROR gLastMCIResult;

// mciSendCommandA with the result kept as the last MCI result.
MCIERROR SendMCI(MCIDEVICEID device, UINT message, DWORD flags, void *params);
