// The table of open MCI devices and the device types MCI can open: a type
// is a name ("cdaudio", "sequencer") and a function that opens one device
// of it from the open request.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <memory>

#include "mci/mci_device.h"

namespace platform {

// Opens a device of the type; 0 and the device, or an MCI error. Runs
// without any lock held (it may read files).
using MciDeviceOpener = MCIERROR (*)(DWORD flags, const MCI_OPEN_PARMSA &params, std::unique_ptr<MciDevice> *device);

MCIERROR OpenCdAudioDevice(DWORD flags, const MCI_OPEN_PARMSA &params, std::unique_ptr<MciDevice> *device);
MCIERROR OpenSequencerDevice(DWORD flags, const MCI_OPEN_PARMSA &params, std::unique_ptr<MciDevice> *device);

// Open devices, for the machine interface.
int OpenMciDeviceCount();

}  // namespace platform
