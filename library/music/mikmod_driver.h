// The voice driver as libmikmod sees it: its driver record, the sample
// reader behind sample uploads, and the one-time registration of loaders,
// driver and player hook.
#pragma once

#include <cstdint>

namespace music {

// Output settings, loaders, driver and player hook (once per process; the
// output settings every time).
void PrepareModulePlayer();

// libmikmod's sample and voice flags in the driver's terms.
uint16_t DriverSampleFlags(unsigned mikmodFlags);
// libmikmod's voice volume (0 ... 256) in the driver's terms (0 ... 64),
// scaled by the global volume (percent).
uint8_t DriverVolume(unsigned mikmodVolume, int globalPercent);
// libmikmod's voice pan (0 ... 255, or surround) in the driver's terms.
uint8_t DriverPan(unsigned long mikmodPan);

}  // namespace music
