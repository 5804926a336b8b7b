// The catalogue of effects a rumble joystick offers and how each is
// described to a program.
#include "dinput/effect_kinds.h"

#include <cstring>
#include <iterator>

namespace platform::dinput {

namespace {

const EffectKind kKinds[] = {
    {&GUID_ConstantForce, DIEFT_CONSTANTFORCE, "Constant Force"},
    {&GUID_RampForce, DIEFT_RAMPFORCE, "Ramp Force"},
    {&GUID_Square, DIEFT_PERIODIC, "Square"},
    {&GUID_Sine, DIEFT_PERIODIC, "Sine"},
    {&GUID_Triangle, DIEFT_PERIODIC, "Triangle"},
    {&GUID_SawtoothUp, DIEFT_PERIODIC, "Sawtooth Up"},
    {&GUID_SawtoothDown, DIEFT_PERIODIC, "Sawtooth Down"},
};

// What an effect of ours takes. The sample period is kept and given back,
// though a motor has no use for it; buttons do not fire effects, so the
// trigger parameters are left out.
constexpr DWORD kParameters = DIEP_DURATION | DIEP_SAMPLEPERIOD | DIEP_GAIN | DIEP_AXES | DIEP_DIRECTION |
                              DIEP_ENVELOPE | DIEP_TYPESPECIFICPARAMS | DIEP_STARTDELAY;

}  // namespace

const EffectKind *EffectKinds(int *count) {
  *count = static_cast<int>(std::size(kKinds));
  return kKinds;
}

const EffectKind *FindEffectKind(REFGUID guid) {
  for (const EffectKind &kind : kKinds) {
    if (IsEqualGUID(guid, *kind.guid)) return &kind;
  }
  return nullptr;
}

DWORD TypeSpecificSize(const EffectKind &kind) {
  switch (kind.type) {
    case DIEFT_CONSTANTFORCE: return sizeof(DICONSTANTFORCE);
    case DIEFT_RAMPFORCE: return sizeof(DIRAMPFORCE);
    default: return sizeof(DIPERIODIC);
  }
}

DIEFFECTINFOA DescribeEffectKind(const EffectKind &kind) {
  DIEFFECTINFOA info = {};
  info.dwSize = sizeof info;
  info.guid = *kind.guid;
  info.dwEffType = kind.type | DIEFT_FFATTACK | DIEFT_FFFADE | DIEFT_STARTDELAY;
  info.dwStaticParams = kParameters;
  // The motors take new levels at any time, so nothing needs a restart;
  // only the axes are fixed once set.
  info.dwDynamicParams = kParameters & ~DIEP_AXES;
  std::strncpy(info.tszName, kind.name, sizeof info.tszName - 1);
  return info;
}

}  // namespace platform::dinput
