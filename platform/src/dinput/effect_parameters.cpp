// Checking, keeping and giving back an effect's parameters. A call either
// applies every part it names or, on an error, none of them.
#include "dinput/effect_parameters.h"

#include <algorithm>
#include <cstring>

#include "dinput/effect_direction.h"

namespace platform::dinput {

namespace {

constexpr DWORD kCoordinateSystems = DIEFF_CARTESIAN | DIEFF_POLAR | DIEFF_SPHERICAL;
constexpr DWORD kObjectNamings = DIEFF_OBJECTIDS | DIEFF_OBJECTOFFSETS;
constexpr LONG kNominal = DI_FFNOMINALMAX;

bool OneBitOf(DWORD flags, DWORD mask) {
  const DWORD bits = flags & mask;
  return bits != 0 && (bits & (bits - 1)) == 0;
}

// How a record names objects: by id or by offset in the data format.
DWORD ObjectHow(DWORD effectFlags) { return (effectFlags & DIEFF_OBJECTIDS) ? DIPH_BYID : DIPH_BYOFFSET; }

// A level cut to the nominal range; `cut` is set when it had to be.
LONG CutLevel(LONG level, bool *cut) {
  const LONG kept = std::clamp(level, -kNominal, kNominal);
  if (kept != level) *cut = true;
  return kept;
}

HRESULT ApplyAxes(const DIEFFECT &effect, const EffectAxes &device, EffectParameters *next) {
  if (!OneBitOf(effect.dwFlags, kObjectNamings)) return DIERR_INVALIDPARAM;
  if (effect.cAxes == 0 || effect.cAxes > kMaxEffectAxes || effect.rgdwAxes == nullptr) return DIERR_INVALIDPARAM;
  int axes[kMaxEffectAxes] = {};
  const int count = static_cast<int>(effect.cAxes);
  for (int i = 0; i < count; ++i) {
    HRESULT found = device.ActuatorAxis(effect.rgdwAxes[i], ObjectHow(effect.dwFlags), &axes[i]);
    if (FAILED(found)) return found;
    if (i > 0 && axes[i] == axes[0]) return DIERR_INVALIDPARAM;
  }
  // The axes of an effect are fixed once set.
  if (next->axisCount != 0 && (next->axisCount != count || !std::equal(axes, axes + count, next->axes))) {
    return DIERR_ALREADYINITIALIZED;
  }
  next->axisCount = count;
  std::copy(axes, axes + count, next->axes);
  return DI_OK;
}

HRESULT ApplyDirection(const DIEFFECT &effect, EffectParameters *next) {
  const DWORD system = effect.dwFlags & kCoordinateSystems;
  if (next->axisCount == 0 || effect.cAxes != static_cast<DWORD>(next->axisCount) || effect.rglDirection == nullptr ||
      !OneBitOf(system, kCoordinateSystems) || !DirectionFits(system, next->axisCount)) {
    return DIERR_INVALIDPARAM;
  }
  next->coordinates = system;
  ConvertDirection(next->axisCount, system, effect.rglDirection, system, next->direction);
  return DI_OK;
}

HRESULT ApplyEnvelope(const DIEFFECT &effect, EffectParameters *next) {
  if (effect.lpEnvelope == nullptr) {
    next->hasEnvelope = false;
    return DI_OK;
  }
  const DIENVELOPE &envelope = *effect.lpEnvelope;
  if (envelope.dwSize != sizeof(DIENVELOPE) || envelope.dwAttackLevel > DI_FFNOMINALMAX ||
      envelope.dwFadeLevel > DI_FFNOMINALMAX) {
    return DIERR_INVALIDPARAM;
  }
  next->hasEnvelope = true;
  next->envelope = envelope;
  return DI_OK;
}

HRESULT ApplyTypeSpecific(const DIEFFECT &effect, const EffectKind &kind, EffectParameters *next, bool *cut) {
  if (effect.lpvTypeSpecificParams == nullptr || effect.cbTypeSpecificParams != TypeSpecificSize(kind)) {
    return DIERR_INVALIDPARAM;
  }
  auto &specific = next->specific;
  std::memcpy(&specific, effect.lpvTypeSpecificParams, effect.cbTypeSpecificParams);
  switch (kind.type) {
    case DIEFT_CONSTANTFORCE:
      specific.constant.lMagnitude = CutLevel(specific.constant.lMagnitude, cut);
      break;
    case DIEFT_RAMPFORCE:
      specific.ramp.lStart = CutLevel(specific.ramp.lStart, cut);
      specific.ramp.lEnd = CutLevel(specific.ramp.lEnd, cut);
      break;
    default:
      if (specific.periodic.dwPhase >= 360 * DI_DEGREES) return DIERR_INVALIDPARAM;
      if (specific.periodic.dwMagnitude > DI_FFNOMINALMAX) {
        specific.periodic.dwMagnitude = DI_FFNOMINALMAX;
        *cut = true;
      }
      specific.periodic.lOffset = CutLevel(specific.periodic.lOffset, cut);
      break;
  }
  next->hasTypeSpecific = true;
  return DI_OK;
}

// The coordinate system to give the direction back in: the one it is kept
// in when the program accepts it, else the first the program accepts.
DWORD ChosenSystem(DWORD accepted, DWORD kept) {
  if (accepted & kept) return kept;
  for (DWORD system : {DWORD{DIEFF_CARTESIAN}, DWORD{DIEFF_POLAR}, DWORD{DIEFF_SPHERICAL}}) {
    if (accepted & system) return system;
  }
  return kept;
}

}  // namespace

bool KnownEffectRecordSize(DWORD size) { return size == sizeof(DIEFFECT) || size == sizeof(DIEFFECT_DX5); }

HRESULT ApplyParameters(const DIEFFECT &effect, DWORD flags, const EffectKind &kind, const EffectAxes &device,
                        EffectParameters *params) {
  const bool hasStartDelay = effect.dwSize >= sizeof(DIEFFECT);
  if ((flags & DIEP_STARTDELAY) && !hasStartDelay) return DIERR_INVALIDPARAM;
  EffectParameters next = *params;
  bool cut = false;
  HRESULT result = DI_OK;
  if (flags & DIEP_DURATION) next.duration = effect.dwDuration;
  if (flags & DIEP_SAMPLEPERIOD) next.samplePeriod = effect.dwSamplePeriod;
  if (flags & DIEP_GAIN) {
    if (effect.dwGain > DI_FFNOMINALMAX) return DIERR_INVALIDPARAM;
    next.gain = effect.dwGain;
  }
  // No button of a pad fires an effect: only "no trigger" is taken.
  if ((flags & DIEP_TRIGGERBUTTON) && effect.dwTriggerButton != DIEB_NOTRIGGER) return DIERR_UNSUPPORTED;
  if (flags & DIEP_TRIGGERREPEATINTERVAL) next.triggerRepeatInterval = effect.dwTriggerRepeatInterval;
  if ((flags & DIEP_AXES) && FAILED(result = ApplyAxes(effect, device, &next))) return result;
  if ((flags & DIEP_DIRECTION) && FAILED(result = ApplyDirection(effect, &next))) return result;
  if ((flags & DIEP_ENVELOPE) && FAILED(result = ApplyEnvelope(effect, &next))) return result;
  if ((flags & DIEP_TYPESPECIFICPARAMS) && FAILED(result = ApplyTypeSpecific(effect, kind, &next, &cut))) {
    return result;
  }
  if (flags & DIEP_STARTDELAY) next.startDelay = effect.dwStartDelay;
  *params = next;
  return cut ? DI_TRUNCATED : DI_OK;
}

HRESULT ReadParameters(const EffectParameters &params, DWORD flags, const EffectKind &kind,
                       const EffectAxes &device, DIEFFECT *effect) {
  const bool hasStartDelay = effect->dwSize >= sizeof(DIEFFECT);
  const bool wantsAxes = flags & (DIEP_AXES | DIEP_DIRECTION);
  if ((flags & DIEP_STARTDELAY) && !hasStartDelay) return DIERR_INVALIDPARAM;
  if ((flags & DIEP_AXES) && !OneBitOf(effect->dwFlags, kObjectNamings)) return DIERR_INVALIDPARAM;
  if ((flags & DIEP_DIRECTION) && (effect->dwFlags & kCoordinateSystems) == 0) return DIERR_INVALIDPARAM;

  // Arrays too small: the program learns the sizes it needs.
  const DWORD axisCount = static_cast<DWORD>(params.axisCount);
  const DWORD specificSize = params.hasTypeSpecific ? TypeSpecificSize(kind) : 0;
  const bool fewAxes = wantsAxes && effect->cAxes < axisCount;
  const bool smallSpecific = (flags & DIEP_TYPESPECIFICPARAMS) && effect->cbTypeSpecificParams < specificSize;
  if (fewAxes || smallSpecific) {
    if (fewAxes) effect->cAxes = axisCount;
    if (smallSpecific) effect->cbTypeSpecificParams = specificSize;
    return DIERR_MOREDATA;
  }
  if (((flags & DIEP_AXES) && axisCount > 0 && effect->rgdwAxes == nullptr) ||
      ((flags & DIEP_DIRECTION) && axisCount > 0 && effect->rglDirection == nullptr) ||
      ((flags & DIEP_ENVELOPE) && params.hasEnvelope &&
       (effect->lpEnvelope == nullptr || effect->lpEnvelope->dwSize != sizeof(DIENVELOPE))) ||
      ((flags & DIEP_TYPESPECIFICPARAMS) && specificSize > 0 && effect->lpvTypeSpecificParams == nullptr)) {
    return DIERR_INVALIDPARAM;
  }

  if (flags & DIEP_DURATION) effect->dwDuration = params.duration;
  if (flags & DIEP_SAMPLEPERIOD) effect->dwSamplePeriod = params.samplePeriod;
  if (flags & DIEP_GAIN) effect->dwGain = params.gain;
  if (flags & DIEP_TRIGGERBUTTON) effect->dwTriggerButton = DIEB_NOTRIGGER;
  if (flags & DIEP_TRIGGERREPEATINTERVAL) effect->dwTriggerRepeatInterval = params.triggerRepeatInterval;
  if (wantsAxes) effect->cAxes = axisCount;
  if (flags & DIEP_AXES) {
    for (int i = 0; i < params.axisCount; ++i) {
      effect->rgdwAxes[i] = device.ActuatorObject(params.axes[i], ObjectHow(effect->dwFlags));
    }
  }
  if (flags & DIEP_DIRECTION) {
    const DWORD system = ChosenSystem(effect->dwFlags & kCoordinateSystems, params.coordinates);
    ConvertDirection(params.axisCount, params.coordinates, params.direction, system, effect->rglDirection);
    effect->dwFlags = (effect->dwFlags & ~kCoordinateSystems) | system;
  }
  if (flags & DIEP_ENVELOPE) {
    if (params.hasEnvelope) {
      *effect->lpEnvelope = params.envelope;
    } else {
      effect->lpEnvelope = nullptr;
    }
  }
  if (flags & DIEP_TYPESPECIFICPARAMS) {
    if (specificSize > 0) std::memcpy(effect->lpvTypeSpecificParams, &params.specific, specificSize);
    effect->cbTypeSpecificParams = specificSize;
  }
  if (flags & DIEP_STARTDELAY) effect->dwStartDelay = params.startDelay;
  return DI_OK;
}

bool CompleteParameters(const EffectParameters &params) { return params.axisCount > 0 && params.hasTypeSpecific; }

}  // namespace platform::dinput
