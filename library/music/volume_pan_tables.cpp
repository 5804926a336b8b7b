// The volume and pan tables of the module voices: logarithmic curves over
// DirectSound's attenuation range, computed once when the driver starts.
#include "music/volume_pan_tables.h"

#include <cmath>

namespace music {

VolumePanTables gVolumePanTables;

int LogCurve(int x) {
  // The product is kept in double precision before the division, which
  // makes the curve exact at powers of two (8 gives 5000, 64 gives 10000).
  const double scaled = 1666.6666666666667 * std::log(static_cast<double>(x));
  return static_cast<int>(scaled / std::log(2.0));
}

int16_t VolumeEntry(int volume) {
  if (volume <= 0) return -10000;
  return static_cast<int16_t>(LogCurve(volume) * 4000 / 10000 - 5000);
}

int16_t PanCurve(int p) {
  if (p > 0) {
    const int u = (99 - p) * 63 / 99 + 1;
    return static_cast<int16_t>(2000 - LogCurve(u) * 2000 / 10000);
  }
  const int u = (p + 100) * 63 / 100 + 1;
  return static_cast<int16_t>(LogCurve(u) * 2000 / 10000 - 2000);
}

int PanCurvePoint(int pan) {
  // Rounded to the nearest point: the two middle indices (127, 128) land on
  // the centre, and the curve is symmetric about them.
  const int numerator = pan * 200 - 255 * 100;
  return numerator >= 0 ? (numerator + 127) / 255 : -((-numerator + 127) / 255);
}

void BuildVolumePanTables() {
  for (int v = 0; v < kVolumeSteps; ++v) gVolumePanTables.volume[v] = VolumeEntry(v);
  for (int p = 0; p < kPanSteps; ++p) gVolumePanTables.pan[p] = PanCurve(PanCurvePoint(p));
}

}  // namespace music
