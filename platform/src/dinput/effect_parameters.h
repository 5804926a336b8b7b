// The parameters of one effect as a program sets them through a DIEFFECT
// record: checked, kept in the effect's own form, and written back in the
// form (object ids or offsets, coordinate system) the program asks for.
#pragma once

#include "dinput/dinput7.h"

#include "dinput/effect_kinds.h"

namespace platform::dinput {

// Axis indices of an effect: the device's X and Y axes drive its motors.
constexpr int kEffectAxisX = 0;
constexpr int kEffectAxisY = 1;
constexpr int kMaxEffectAxes = 2;

// The device objects an effect's axes are, as a DIEFFECT record names them.
// The device implements it; calls are made with the input lock held.
class EffectAxes {
 public:
  virtual ~EffectAxes() = default;
  // The force-feedback axis (kEffectAxisX or Y) an object names, by
  // DIPH_BYID or DIPH_BYOFFSET, and the object that names an axis.
  virtual HRESULT ActuatorAxis(DWORD object, DWORD how, int *axis) const = 0;
  virtual DWORD ActuatorObject(int axis, DWORD how) const = 0;
};

struct EffectParameters {
  DWORD duration = 0;  // microseconds, or INFINITE
  DWORD samplePeriod = 0;
  DWORD gain = DI_FFNOMINALMAX;
  DWORD triggerRepeatInterval = 0;
  DWORD startDelay = 0;  // microseconds
  int axisCount = 0;
  int axes[kMaxEffectAxes] = {};
  DWORD coordinates = DIEFF_CARTESIAN;  // the system `direction` is in
  LONG direction[kMaxEffectAxes] = {};
  bool hasEnvelope = false;
  DIENVELOPE envelope = {};
  bool hasTypeSpecific = false;
  union {
    DICONSTANTFORCE constant;
    DIRAMPFORCE ramp;
    DIPERIODIC periodic;
  } specific = {};
};

// Whether `size` is a DIEFFECT record this DirectInput knows: the
// DirectInput 6 one with its start delay, or the older one without.
bool KnownEffectRecordSize(DWORD size);

// Applies the parts of `effect` that `flags` (DIEP_*) name to `params`, in
// full or not at all. DI_OK, DI_TRUNCATED when a level beyond the nominal
// maximum was cut to it, or the error; `device` (input lock held) names
// the axes.
HRESULT ApplyParameters(const DIEFFECT &effect, DWORD flags, const EffectKind &kind, const EffectAxes &device,
                        EffectParameters *params);

// Writes the parts `flags` name into the program's record: DIERR_MOREDATA
// (with the counts and sizes needed) when its arrays are too small, nothing
// written then.
HRESULT ReadParameters(const EffectParameters &params, DWORD flags, const EffectKind &kind,
                       const EffectAxes &device, DIEFFECT *effect);

// Whether the effect has what it needs to play: its axes and its
// type-specific parameters.
bool CompleteParameters(const EffectParameters &params);

}  // namespace platform::dinput
