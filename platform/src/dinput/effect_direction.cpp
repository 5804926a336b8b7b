// Conversions between the coordinate systems of an effect's direction. A
// program reads the direction back in whichever system it asks for, not
// only in the one it set it in.
#include "dinput/effect_direction.h"

#include <cmath>

namespace platform::dinput {

namespace {

constexpr LONG kFullTurn = 360 * DI_DEGREES;
constexpr LONG kQuarterTurn = 90 * DI_DEGREES;
constexpr double kPi = 3.14159265358979323846;

LONG NormalAngle(long long angle) {
  long long turn = angle % kFullTurn;
  return static_cast<LONG>(turn < 0 ? turn + kFullTurn : turn);
}

// The spherical angle (from +X towards +Y) of a two-axis direction.
LONG SphericalAngle(DWORD from, const LONG *in) {
  switch (from) {
    case DIEFF_POLAR:
      return NormalAngle(static_cast<long long>(in[0]) - kQuarterTurn);
    case DIEFF_SPHERICAL:
      return NormalAngle(in[0]);
    default: {
      if (in[0] == 0 && in[1] == 0) return 0;
      const double degrees = std::atan2(static_cast<double>(in[1]), static_cast<double>(in[0])) * 180.0 / kPi;
      return NormalAngle(std::llround(degrees * DI_DEGREES));
    }
  }
}

}  // namespace

bool DirectionFits(DWORD system, int axisCount) {
  if (system == DIEFF_POLAR) return axisCount == 2;
  return system == DIEFF_CARTESIAN || system == DIEFF_SPHERICAL;
}

void ConvertDirection(int axisCount, DWORD from, const LONG *in, DWORD to, LONG *out) {
  for (int axis = 0; axis < axisCount; ++axis) out[axis] = 0;
  if (axisCount <= 0) return;
  if (from == to) {
    for (int axis = 0; axis < axisCount; ++axis) {
      out[axis] = to == DIEFF_CARTESIAN ? in[axis] : (axis + 1 < axisCount ? NormalAngle(in[axis]) : 0);
    }
    return;
  }
  if (axisCount == 1) {
    // One axis has no angle: spherical and polar say only "this axis",
    // which is the positive direction along it.
    if (to == DIEFF_CARTESIAN) out[0] = DI_FFNOMINALMAX;
    return;
  }
  const LONG spherical = SphericalAngle(from, in);
  switch (to) {
    case DIEFF_POLAR:
      out[0] = NormalAngle(static_cast<long long>(spherical) + kQuarterTurn);
      return;
    case DIEFF_SPHERICAL:
      out[0] = spherical;
      return;
    default: {
      const double radians = spherical / static_cast<double>(DI_DEGREES) * kPi / 180.0;
      out[0] = static_cast<LONG>(std::lround(std::cos(radians) * DI_FFNOMINALMAX));
      out[1] = static_cast<LONG>(std::lround(std::sin(radians) * DI_FFNOMINALMAX));
      return;
    }
  }
}

}  // namespace platform::dinput
