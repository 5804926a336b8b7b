// The joystick as a host drives it: opening (or not finding) one, axis
// ranges, dead zones and saturation, clamped indices, absent axes, hats,
// force feedback and the control panel.
#include <climits>
#include <string>
#include <vector>

#include "input/input_state.h"
#include "support/input_test_support.h"

namespace {

class JoystickTest : public InputTest {
 protected:
  // A started DirectInput and an opened joystick made from `model`.
  int Open(const machine::JoystickModel &model) {
    int id = machine::attach_joystick(model);
    EXPECT_EQ(DINPUT_INIT(), 0);
    EXPECT_EQ(JOYSTICK_INIT(), 0);
    NewLines();
    return id;
  }
  static machine::JoystickModel FullStick() {
    machine::JoystickModel model;
    model.axes = machine::kAllAxes;
    model.sliders = 2;
    model.povs = 4;
    model.buttons = 32;
    return model;
  }
};

TEST_F(JoystickTest, NoJoystickIsMinusOne) {
  ASSERT_EQ(DINPUT_INIT(), 0);
  NewLines();
  EXPECT_EQ(JOYSTICK_INIT(), -1);
  EXPECT_EQ(NewLines(), " Initializing Joystick Device\n Joystick Not Found\n");
  EXPECT_EQ(ON_ERROR(), 0);
  // Without a joystick the joystick exports do nothing.
  JOY_X_RANGE(-100, 100);
  JOY_SLIDER_DEADZONE(0, 500);
  EXPECT_EQ(SET_FFB(), 1);
  EXPECT_EQ(JOYSTICK_CONTROL_PANEL(), DIERR_NOTINITIALIZED);
  DINPUT_UPDATE();
  EXPECT_EQ(JOY_X_AXIS(), 0);
  EXPECT_EQ(NewLines(), "");
}

TEST_F(JoystickTest, OpeningWritesEveryStepAndLearnsThePresentObjects) {
  machine::JoystickModel model;
  model.axes = machine::kAxesXY | (1u << machine::kAxisRz);
  model.sliders = 1;
  machine::attach_joystick(model);
  ASSERT_EQ(DINPUT_INIT(), 0);
  NewLines();
  EXPECT_EQ(JOYSTICK_INIT(), 0);
  EXPECT_EQ(NewLines(),
            " Initializing Joystick Device\n"
            " Joystick Device Created\n"
            " Query for IDirectInput2 Joystick Succeeded.\n"
            " SetDataFormat for Joystick Device succeeded.\n"
            " SetCooperativeLevel for Joystick Device succeeded.\n"
            " Aquire for Joystick succeeded.\n"
            " Joystick Capabilities now known.\n");
  const int axes[kJoyAxisCount] = {1, 1, 0, 0, 0, 1};
  for (int axis = 0; axis < kJoyAxisCount; ++axis) EXPECT_EQ(gJoyAxisPresent[axis], axes[axis]) << axis;
  EXPECT_EQ(gJoySliderPresent[0], 1);
  EXPECT_EQ(gJoySliderPresent[1], 0);
  JOYSTICK_RELEASE();
  EXPECT_EQ(NewLines(), " [DirectInput's Joystick released]\n");
  EXPECT_EQ(gJoyAxisPresent[kJoyX], 1) << "the flags stay after a release";
  EXPECT_EQ(machine::live_directinput_devices(), 0);
}

TEST_F(JoystickTest, FailingStepsWriteTheirLines) {
  struct Step {
    const char *operation;
    int result;
    std::string lines;
  };
  const std::vector<Step> steps = {
      {"IDirectInput7::EnumDevices", 1, " EnumDevice for Joystick failed\n"},
      {"IDirectInput7::CreateDevice", -1,
       " !!! Couldn't create device for Joystick!!!\n!!! DIERR_GENERIC !!!\n Joystick Not Found\n"},
      {"IDirectInputDevice7::QueryInterface", -1,
       " !!! Couldn't Query IDirectDraw2 Interface for Joystick!!!\n"
       "!!! DIERR_GENERIC !!!\n Joystick Not Found\n"},
      {"IDirectInputDevice7::SetDataFormat", 1, " !!! SetDataFormat for Joystick Device failed !!!\n"},
      {"IDirectInputDevice7::SetCooperativeLevel", 1, " !!! SetCooperativeLevel for Joystick Device failed !!!\n"},
      {"IDirectInputDevice7::Acquire", 1, " !!! Joystick Acquire failed !!!\n"},
  };
  machine::attach_joystick(machine::JoystickModel());
  REPORT_MODE("run", 0);
  KORVANE_INIT(Window(), nullptr);
  ASSERT_EQ(DINPUT_INIT(), 0);
  NewLines();
  for (const Step &step : steps) {
    SCOPED_TRACE(step.operation);
    machine::fail_next(step.operation, 1, DIERR_GENERIC);
    EXPECT_EQ(JOYSTICK_INIT(), step.result);
    std::string lines = NewLines();
    bool critical = step.result == 1 && step.lines.find("EnumDevice") == std::string::npos;
    EXPECT_EQ(lines, critical ? step.lines + "!!! DIERR_GENERIC !!!\n" : step.lines);
  }
  JOYSTICK_RELEASE();
  EXPECT_EQ(machine::live_directinput_devices(), 0);
}

TEST_F(JoystickTest, TheSecondJoystickOpensWhenTheFirstCannot) {
  machine::attach_joystick(machine::JoystickModel());
  int second = machine::attach_joystick(FullStick());
  ASSERT_EQ(DINPUT_INIT(), 0);
  machine::fail_next("IDirectInput7::CreateDevice", 1, DIERR_GENERIC);
  EXPECT_EQ(JOYSTICK_INIT(), 0);
  EXPECT_EQ(gJoyAxisPresent[kJoyRz], 1) << "the full stick of id " << second << " was opened";
}

TEST_F(JoystickTest, RangesDeadZonesAndSaturationShapeTheAxes) {
  int id = Open(FullStick());
  JOY_X_RANGE(-1000, 1000);
  JOY_Y_RANGE(0, 100);
  JOY_Y_DEADZONE(2000);
  JOY_Z_RANGE(-1000, 1000);
  JOY_Z_SATURATION(5000);
  JOY_SLIDER_RANGE(1, 0, 10);
  EXPECT_EQ(NewLines(), "");
  struct Case {
    machine::JoystickAxis axis;
    LONG raw;
    int (*read)();
    int expected;
  };
  const std::vector<Case> cases = {
      {machine::kAxisX, 0, JOY_X_AXIS, -1000},      {machine::kAxisX, 65535, JOY_X_AXIS, 1000},
      {machine::kAxisX, 49151, JOY_X_AXIS, 500},    {machine::kAxisY, 36000, JOY_Y_AXIS, 50},  // in the dead zone
      {machine::kAxisY, 65535, JOY_Y_AXIS, 100},    {machine::kAxisY, 0, JOY_Y_AXIS, 0},
      {machine::kAxisZ, 49151, JOY_Z_AXIS, 1000},   {machine::kAxisZ, 40959, JOY_Z_AXIS, 500},  // saturated
      {machine::kAxisRx, 65535, JOY_RX_AXIS, 65535},  // DirectInput's own range until set
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::to_string(c.axis) + " at " + std::to_string(c.raw));
    machine::joystick_axis(id, c.axis, c.raw);
    DINPUT_UPDATE();
    EXPECT_EQ(c.read(), c.expected);
  }
  machine::joystick_slider(id, 1, 65535);
  DINPUT_UPDATE();
  EXPECT_EQ(JOY_SLIDER(1), 10);
  EXPECT_EQ(JOY_SLIDER(7), 10) << "slider indices are clamped";
  EXPECT_EQ(JOY_SLIDER(-3), JOY_SLIDER(0));
}

TEST_F(JoystickTest, RefusedValuesWriteTheirLineAndTheCriticalReport) {
  Open(FullStick());
  REPORT_MODE("run", 0);
  struct Case {
    void (*set)();
    std::string lines;
  };
  const std::vector<Case> cases = {
      {[] { JOY_X_RANGE(10, -10); }, "JOY X RANGE not acceptable!\n!!! DIERR_INVALIDPARAM !!!\n"},
      {[] { JOY_Y_RANGE(0, 0); }, "JOY Y RANGE not acceptable!\n!!! DIERR_INVALIDPARAM !!!\n"},
      {[] { JOY_Z_RANGE(1, -1); }, "JOY Z RANGE not acceptable!\n!!! DIERR_INVALIDPARAM !!!\n"},
      {[] { JOY_RX_RANGE(INT_MAX, INT_MIN); }, "JOY RX RANGE not acceptable!\n!!! DIERR_INVALIDPARAM !!!\n"},
      {[] { JOY_RY_RANGE(7, 7); }, "JOY RY RANGE not acceptable!\n!!! DIERR_INVALIDPARAM !!!\n"},
      {[] { JOY_RZ_RANGE(5, 5); }, "JOY RZ RANGE not acceptable!\n!!! DIERR_INVALIDPARAM !!!\n"},
      {[] { JOY_X_DEADZONE(10001); }, "X Deadzone not acceptable!\n!!! DIERR_INVALIDPARAM !!!\n"},
      {[] { JOY_Y_DEADZONE(-1); }, "Y Deadzone not acceptable!\n!!! DIERR_INVALIDPARAM !!!\n"},
      {[] { JOY_Z_DEADZONE(INT_MAX); }, "Z Deadzone not acceptable!\n!!! DIERR_INVALIDPARAM !!!\n"},
      {[] { JOY_RX_DEADZONE(10001); }, "RX Deadzone!\n!!! DIERR_INVALIDPARAM !!!\n"},
      {[] { JOY_RY_DEADZONE(INT_MIN); }, "RY Deadzone not acceptable!\n!!! DIERR_INVALIDPARAM !!!\n"},
      {[] { JOY_RZ_DEADZONE(20000); }, "RZ Deadzone not acceptable!\n!!! DIERR_INVALIDPARAM !!!\n"},
      {[] { JOY_X_SATURATION(10001); }, "X Saturation not acceptable!\n!!! DIERR_INVALIDPARAM !!!\n"},
      {[] { JOY_Y_SATURATION(-1); }, "Y Saturation not acceptable!\n!!! DIERR_INVALIDPARAM !!!\n"},
      {[] { JOY_Z_SATURATION(INT_MIN); }, "Z Saturation not acceptable!\n!!! DIERR_INVALIDPARAM !!!\n"},
      {[] { JOY_RX_SATURATION(INT_MAX); }, "RX Saturation not acceptable!\n!!! DIERR_INVALIDPARAM !!!\n"},
      {[] { JOY_RY_SATURATION(10001); }, "RY Saturation not acceptable!\n!!! DIERR_INVALIDPARAM !!!\n"},
      {[] { JOY_RZ_SATURATION(-5); }, "RZ Saturation not acceptable!\n!!! DIERR_INVALIDPARAM !!!\n"},
      {[] { JOY_SLIDER_RANGE(5, 3, 1); }, "Slider 1 Range not acceptable!\n!!! DIERR_INVALIDPARAM !!!\n"},
      {[] { JOY_SLIDER_RANGE(-2, 3, 1); }, "Slider 0 Range not acceptable!\n!!! DIERR_INVALIDPARAM !!!\n"},
      {[] { JOY_SLIDER_DEADZONE(0, 20000); }, "Joy Slider Deadzone not acceptable!\n!!! DIERR_INVALIDPARAM !!!\n"},
      {[] { JOY_SLIDER_SATURATION(1, 20000); },
       "!!! DIERR_INVALIDPARAM !!!\nJoy Slider Saturation not acceptable!\n"},  // the critical report first
  };
  for (const Case &c : cases) {
    // Reopening the report puts the read position back to its start.
    REPORT_MODE("run", 0);
    KORVANE_INIT(Window(), nullptr);
    NewLines();
    c.set();
    EXPECT_EQ(ReportBody(), c.lines);
  }
  EXPECT_EQ(ON_ERROR(), 1);
}

TEST_F(JoystickTest, AbsentAxesAreSkippedSilently) {
  int id = Open(machine::JoystickModel());  // X and Y only
  JOY_Z_RANGE(10, -10);                    // would be refused if the axis were there
  JOY_RY_DEADZONE(99999);
  JOY_SLIDER_SATURATION(0, 99999);
  EXPECT_EQ(NewLines(), "");
  EXPECT_EQ(ON_ERROR(), 0);
  machine::joystick_axis(id, machine::kAxisZ, 0);
  DINPUT_UPDATE();
  EXPECT_EQ(JOY_Z_AXIS(), 0);
  EXPECT_EQ(JOY_X_AXIS(), 32767) << "a centred axis in DirectInput's default range";
}

TEST_F(JoystickTest, HatsAndButtonsWithClampedIndices) {
  int id = Open(FullStick());
  machine::joystick_pov(id, 3, 9000);
  machine::joystick_button(id, 31, true);
  machine::joystick_button(id, 0, true);
  DINPUT_UPDATE();
  const std::vector<std::pair<int, int>> povs = {{0, -1}, {3, 9000}, {9, 9000}, {-4, -1}};
  for (auto [index, expected] : povs) EXPECT_EQ(JOY_POV(index), expected) << index;
  const std::vector<std::pair<int, int>> buttons = {{0, 1}, {1, 0}, {31, 1}, {40, 1}, {-1, 1}};
  for (auto [index, expected] : buttons) EXPECT_EQ(JOY_BUTTON(index), expected) << index;
}

TEST_F(JoystickTest, UnpluggedJoystickIsLost) {
  int id = Open(FullStick());
  machine::joystick_button(id, 2, true);
  DINPUT_UPDATE();
  machine::detach_joystick(id);
  DINPUT_UPDATE();
  DINPUT_UPDATE();
  EXPECT_EQ(NewLines(), " ! - Joystick inputlost or not acquired.\n ! - Joystick inputlost or not acquired.\n");
}

TEST_F(JoystickTest, WithoutForceFeedbackSetFfbDoesNothing) {
  Open(machine::JoystickModel());
  EXPECT_EQ(SET_FFB(), 0);
  EXPECT_EQ(gForceFeedback, 0u);
  EXPECT_EQ(NewLines(), "");
}

TEST_F(JoystickTest, ForceFeedbackStick) {
  machine::JoystickModel wheel;
  wheel.force_feedback = true;
  int id = Open(wheel);
  EXPECT_TRUE(machine::joystick_autocenter(id));
  REPORT_MODE("run", 0);
  KORVANE_INIT(Window(), nullptr);
  NewLines();
  EXPECT_EQ(SET_FFB(), 0);
  EXPECT_EQ(gForceFeedback, static_cast<DWORD>(DIDC_FORCEFEEDBACK));
  EXPECT_FALSE(machine::joystick_autocenter(id));
  EXPECT_EQ(NewLines(), " SET_FFB: FORCEFEEDBACK AUTOCENTER TURNED OFF\n") << "written in brief mode too";
  machine::fail_next("IDirectInputDevice7::GetCapabilities", 1, DIERR_INPUTLOST);
  EXPECT_EQ(SET_FFB(), 1);
  EXPECT_EQ(NewLines(), "!!! DIERR_INPUTLOST !!!\n");
}

TEST_F(JoystickTest, ControlPanelGivesDirectInputsResult) {
  Open(machine::JoystickModel());
  EXPECT_EQ(JOYSTICK_CONTROL_PANEL(), DI_OK);
  EXPECT_EQ(machine::control_panel_runs(), 1);
  machine::fail_next("IDirectInputDevice7::RunControlPanel", 1, DIERR_GENERIC);
  EXPECT_EQ(JOYSTICK_CONTROL_PANEL(), DIERR_GENERIC);
}

}  // namespace
