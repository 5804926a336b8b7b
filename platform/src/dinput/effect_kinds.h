// The force-feedback effects a rumble joystick plays: constant force, ramp
// and the periodic waves. Motors only shake, so the condition effects
// (spring, damper, inertia, friction) and custom forces are not offered.
#pragma once

#include "dinput/dinput7.h"

namespace platform::dinput {

struct EffectKind {
  const GUID *guid;
  DWORD type;  // DIEFT_CONSTANTFORCE, DIEFT_RAMPFORCE or DIEFT_PERIODIC
  const char *name;
};

// The kinds in the order EnumEffects lists them.
const EffectKind *EffectKinds(int *count);
// The kind `guid` names, or null when the device cannot play it.
const EffectKind *FindEffectKind(REFGUID guid);

// The size of the kind's type-specific parameter record.
DWORD TypeSpecificSize(const EffectKind &kind);

// What GetEffectInfo and EnumEffects report of a kind: its type with the
// envelope and start delay it supports, and the parameters it takes and may
// change while playing.
DIEFFECTINFOA DescribeEffectKind(const EffectKind &kind);

}  // namespace platform::dinput
