// Per-axis joystick exports: range, dead zone and saturation of the six axes
// and two sliders through DirectInput properties, and the axis getters.
#include "input/input_state.h"

#include <cstdio>

#include "core/critical.h"
#include "core/report.h"
#include "input/device_steps.h"
#include "korvane.h"

namespace {

struct AxisControl {
  DWORD offset;
  const char *rangeLine;
  const char *deadZoneLine;
  const char *saturationLine;
  LONG DIJOYSTATE::*value;
};

const AxisControl kAxes[kJoyAxisCount] = {
    {DIJOFS_X, "JOY X RANGE not acceptable!", "X Deadzone not acceptable!", "X Saturation not acceptable!",
     &DIJOYSTATE::lX},
    {DIJOFS_Y, "JOY Y RANGE not acceptable!", "Y Deadzone not acceptable!", "Y Saturation not acceptable!",
     &DIJOYSTATE::lY},
    {DIJOFS_Z, "JOY Z RANGE not acceptable!", "Z Deadzone not acceptable!", "Z Saturation not acceptable!",
     &DIJOYSTATE::lZ},
    {DIJOFS_RX, "JOY RX RANGE not acceptable!", "RX Deadzone!", "RX Saturation not acceptable!", &DIJOYSTATE::lRx},
    {DIJOFS_RY, "JOY RY RANGE not acceptable!", "RY Deadzone not acceptable!", "RY Saturation not acceptable!",
     &DIJOYSTATE::lRy},
    {DIJOFS_RZ, "JOY RZ RANGE not acceptable!", "RZ Deadzone not acceptable!", "RZ Saturation not acceptable!",
     &DIJOYSTATE::lRz},
};

// How a refused value is reported: its line, then the critical report, or
// (for the slider saturation) the other way round.
enum class Order { kLineFirst, kCriticalFirst };

void ReportRefusal(HRESULT result, const char *line, Order order) {
  if (order == Order::kCriticalFirst) DICritical(result);
  ReportLine("%s", line);
  if (order == Order::kLineFirst) DICritical(result);
}

// An absent axis, or no joystick at all, is skipped without a word.
bool Addressable(int present) { return present != 0 && glpDIJoystick != nullptr; }

void SetRange(int present, DWORD offset, int minimum, int maximum, const char *line) {
  if (!Addressable(present)) return;
  DIPROPRANGE range = RangeProperty(offset, minimum, maximum);
  HRESULT result = SetDeviceProperty(glpDIJoystick, &DIPROP_RANGE, &range.diph);
  if (FAILED(result)) ReportRefusal(result, line, Order::kLineFirst);
}

void SetDword(int present, const GUID *property, DWORD offset, int value, const char *line, Order order) {
  if (!Addressable(present)) return;
  DIPROPDWORD setting = DwordProperty(offset, DIPH_BYOFFSET, static_cast<DWORD>(value));
  HRESULT result = SetDeviceProperty(glpDIJoystick, property, &setting.diph);
  if (FAILED(result)) ReportRefusal(result, line, order);
}

void AxisRange(int axis, int minimum, int maximum) {
  SetRange(gJoyAxisPresent[axis], kAxes[axis].offset, minimum, maximum, kAxes[axis].rangeLine);
}

void AxisDeadZone(int axis, int value) {
  SetDword(gJoyAxisPresent[axis], &DIPROP_DEADZONE, kAxes[axis].offset, value, kAxes[axis].deadZoneLine,
           Order::kLineFirst);
}

void AxisSaturation(int axis, int value) {
  SetDword(gJoyAxisPresent[axis], &DIPROP_SATURATION, kAxes[axis].offset, value, kAxes[axis].saturationLine,
           Order::kLineFirst);
}

int Slider(int index) { return index < 0 ? 0 : (index > 1 ? 1 : index); }

int AxisValue(int axis) { return gJoyState.*kAxes[axis].value; }

}  // namespace

// The four exports of each axis, X, Y, Z and the rotations RX, RY, RZ.
extern "C" void JOY_X_RANGE(int minimum, int maximum) { AxisRange(kJoyX, minimum, maximum); }
extern "C" void JOY_X_DEADZONE(int value) { AxisDeadZone(kJoyX, value); }
extern "C" void JOY_X_SATURATION(int value) { AxisSaturation(kJoyX, value); }
extern "C" int JOY_X_AXIS(void) { return AxisValue(kJoyX); }

extern "C" void JOY_Y_RANGE(int minimum, int maximum) { AxisRange(kJoyY, minimum, maximum); }
extern "C" void JOY_Y_DEADZONE(int value) { AxisDeadZone(kJoyY, value); }
extern "C" void JOY_Y_SATURATION(int value) { AxisSaturation(kJoyY, value); }
extern "C" int JOY_Y_AXIS(void) { return AxisValue(kJoyY); }

extern "C" void JOY_Z_RANGE(int minimum, int maximum) { AxisRange(kJoyZ, minimum, maximum); }
extern "C" void JOY_Z_DEADZONE(int value) { AxisDeadZone(kJoyZ, value); }
extern "C" void JOY_Z_SATURATION(int value) { AxisSaturation(kJoyZ, value); }
extern "C" int JOY_Z_AXIS(void) { return AxisValue(kJoyZ); }

extern "C" void JOY_RX_RANGE(int minimum, int maximum) { AxisRange(kJoyRx, minimum, maximum); }
extern "C" void JOY_RX_DEADZONE(int value) { AxisDeadZone(kJoyRx, value); }
extern "C" void JOY_RX_SATURATION(int value) { AxisSaturation(kJoyRx, value); }
extern "C" int JOY_RX_AXIS(void) { return AxisValue(kJoyRx); }

extern "C" void JOY_RY_RANGE(int minimum, int maximum) { AxisRange(kJoyRy, minimum, maximum); }
extern "C" void JOY_RY_DEADZONE(int value) { AxisDeadZone(kJoyRy, value); }
extern "C" void JOY_RY_SATURATION(int value) { AxisSaturation(kJoyRy, value); }
extern "C" int JOY_RY_AXIS(void) { return AxisValue(kJoyRy); }

extern "C" void JOY_RZ_RANGE(int minimum, int maximum) { AxisRange(kJoyRz, minimum, maximum); }
extern "C" void JOY_RZ_DEADZONE(int value) { AxisDeadZone(kJoyRz, value); }
extern "C" void JOY_RZ_SATURATION(int value) { AxisSaturation(kJoyRz, value); }
extern "C" int JOY_RZ_AXIS(void) { return AxisValue(kJoyRz); }

extern "C" void JOY_SLIDER_RANGE(int index, int minimum, int maximum) {
  int slider = Slider(index);
  char line[64];
  snprintf(line, sizeof line, "Slider %d Range not acceptable!", slider);
  SetRange(gJoySliderPresent[slider], DIJOFS_SLIDER(slider), minimum, maximum, line);
}

extern "C" void JOY_SLIDER_DEADZONE(int index, int value) {
  int slider = Slider(index);
  SetDword(gJoySliderPresent[slider], &DIPROP_DEADZONE, DIJOFS_SLIDER(slider), value,
           "Joy Slider Deadzone not acceptable!", Order::kLineFirst);
}

extern "C" void JOY_SLIDER_SATURATION(int index, int value) {
  int slider = Slider(index);
  SetDword(gJoySliderPresent[slider], &DIPROP_SATURATION, DIJOFS_SLIDER(slider), value,
           "Joy Slider Saturation not acceptable!", Order::kCriticalFirst);
}
