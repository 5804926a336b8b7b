// An effect's direction in DirectInput's three coordinate systems for the
// one or two axes a rumble joystick drives: Cartesian components, a polar
// angle clockwise from north (away from the player), or a spherical angle
// from east towards south, all angles in hundredths of a degree.
#pragma once

#include "dinput/dinput7.h"

namespace platform::dinput {

// Whether `system` (one DIEFF_ coordinate flag) can describe a direction
// over `axisCount` axes: polar needs exactly two.
bool DirectionFits(DWORD system, int axisCount);

// `in` (axisCount values in `from`) expressed in `to`; angles come back
// within 0 to 35999 and unused trailing values as 0.
void ConvertDirection(int axisCount, DWORD from, const LONG *in, DWORD to, LONG *out);

}  // namespace platform::dinput
