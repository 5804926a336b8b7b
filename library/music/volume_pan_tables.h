// The tables that turn a voice's volume (0 ... 64) and pan (0 ... 255) into
// DirectSound attenuation and pan values in hundredths of a decibel.
#pragma once

#include <cstdint>

namespace music {

constexpr int kVolumeSteps = 65;
constexpr int kPanSteps = 256;

// 1666.666... x log2(x), truncated toward zero: 0 at 1, 10000 at 64.
int LogCurve(int x);
// The attenuation for a voice volume: -10000 (silence) at 0, -1000 at 64.
int16_t VolumeEntry(int volume);
// The pan curve over -100 (full left) ... 100 (full right).
int16_t PanCurve(int p);
// Where a voice pan lands on the pan curve: 0 is full left, 255 full right,
// linearly in between.
int PanCurvePoint(int pan);

// Built by the driver's init; read by the timer thread while music plays.
struct VolumePanTables {
  int16_t volume[kVolumeSteps];
  int16_t pan[kPanSteps];
};
extern VolumePanTables gVolumePanTables;
void BuildVolumePanTables();

}  // namespace music
