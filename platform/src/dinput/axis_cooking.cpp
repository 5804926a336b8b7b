// Raw axis position to program value (range, dead zone, saturation).
#include "dinput/axis_cooking.h"

#include <cmath>

namespace platform::dinput {

LONG CookAxis(LONG raw, LONG rawMin, LONG rawMax, const AxisSettings &settings) {
  double half = (static_cast<double>(rawMax) - rawMin) / 2.0;
  double offset = half > 0 ? (raw - (rawMin + half)) / half : 0.0;
  if (offset > 1.0) offset = 1.0;
  if (offset < -1.0) offset = -1.0;

  double deadZone = settings.deadZone / static_cast<double>(kAxisUnits);
  double saturation = settings.saturation / static_cast<double>(kAxisUnits);
  double distance = std::fabs(offset);
  double travel;
  if (distance <= deadZone) {
    travel = 0.0;
  } else if (distance >= saturation) {
    travel = 1.0;
  } else {
    travel = (distance - deadZone) / (saturation - deadZone);
  }
  travel = std::copysign(travel, offset);

  double low = settings.minimum, high = settings.maximum;
  double value = low + (travel + 1.0) / 2.0 * (high - low);
  return static_cast<LONG>(std::llround(value));
}

}  // namespace platform::dinput
