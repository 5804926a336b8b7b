// The last MCI result and the request helper of the CD audio and MIDI code.
#include "media/mci_request.h"

MCIERROR gLastMCIResult = 0;

MCIERROR SendMCI(MCIDEVICEID device, UINT message, DWORD flags, void *params) {
  gLastMCIResult = mciSendCommandA(device, message, flags, reinterpret_cast<DWORD_PTR>(params));
  return gLastMCIResult;
}
