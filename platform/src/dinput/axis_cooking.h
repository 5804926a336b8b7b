// How DirectInput turns a raw axis position into the value a program reads:
// the axis's range, dead zone and saturation.
#pragma once

#include <windows.h>

namespace platform::dinput {

// Per-axis properties. Dead zone and saturation are in units of 1/10000 of
// the distance from the centre to either end of the raw travel.
struct AxisSettings {
  LONG minimum = 0;
  LONG maximum = 65535;
  DWORD deadZone = 0;
  DWORD saturation = 10000;
};

constexpr DWORD kAxisUnits = 10000;

// Positions within the dead zone read as the range's centre, positions
// beyond the saturation as its ends, and those between are spread linearly
// over the whole half-range.
LONG CookAxis(LONG raw, LONG rawMin, LONG rawMax, const AxisSettings &settings);

}  // namespace platform::dinput
