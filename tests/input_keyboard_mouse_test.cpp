// DINPUT_INIT, the keyboard and the mouse as a host drives them: the report
// lines of each step, every failing step, the buffered-mode rule, held keys,
// relative mouse motion, lost devices and the releases.
#include <string>
#include <vector>

#include "input/input_state.h"
#include "support/input_test_support.h"

namespace {

using KeyboardMouseTest = InputTest;

TEST_F(KeyboardMouseTest, DevicesBeforeDirectInputAreRefusedWithoutCriticalReport) {
  EXPECT_EQ(KEYBOARD_INIT(0), 1);
  EXPECT_EQ(MOUSE_INIT(), 1);
  EXPECT_EQ(JOYSTICK_INIT(), 1);
  EXPECT_EQ(NewLines(),
            " !!! KEYBOARD_INIT:DirectInput not inititailized !!!\n"
            " !!! MOUSE_INIT:DirectInput not inititailized !!!\n"
            " !!! JOYSTICK_INIT:DirectInput not inititailized !!!\n");
  EXPECT_EQ(ON_ERROR(), 0);
  EXPECT_EQ(machine::live_directinput_devices(), 0);
}

TEST_F(KeyboardMouseTest, InitialisationWritesEveryStep) {
  EXPECT_EQ(DINPUT_INIT(), 0);
  EXPECT_EQ(KEYBOARD_INIT(1), 0);
  EXPECT_EQ(MOUSE_INIT(), 0);
  EXPECT_EQ(NewLines(),
            " DirectInput Initialized.\n"
            " - Setting Keyboard to Buffered Data Mode\n"
            " Query for IDirectInput7 KeyBoard Succeeded.\n"
            " SetDataFormat for Keyboard Device succeeded.\n"
            " SetCooperativeLevel for Keyboard Device succeeded.\n"
            " SetProperty for Keyboard Device succeeded.\n"
            " Aquire for Keyboard succeeded.\n"
            " DirectInput_CreateDevice Succeeded.\n"
            " Query for IDirectInput7 Mouse Succeeded.\n"
            " SetCooperativeLevel for Mouse Device succeeded.\n"
            " SetDataFormat for Mouse Device succeeded.\n"
            " Aquire for Mouse succeeded.\n");
  EXPECT_EQ(machine::live_directinput_devices(), 2) << "the first interfaces were released";
  DINPUT_RELEASE();
  EXPECT_EQ(NewLines(),
            "### DIRECTINPUT RELEASE OBJECTS ###\n"
            " DirectInput's Mouse released.\n"
            " DirectInput's Keyboard released.\n"
            " DirectInput released.\n"
            "###################################\n");
  EXPECT_EQ(machine::live_directinput_devices(), 0);
  EXPECT_EQ(machine::live_directinput_objects(), 0);
}

TEST_F(KeyboardMouseTest, DirectInputCreationFailures) {
  machine::fail_next("DirectInputCreateEx", 1, DIERR_OLDDIRECTINPUTVERSION);
  EXPECT_EQ(DINPUT_INIT(), 1);
  EXPECT_EQ(NewLines(), " !!! Couldn't create DirectInput object !!!\n");
  // A result the table cannot name is reported and passed over.
  machine::fail_next("DirectInputCreateEx", 1, static_cast<HRESULT>(0x80041234));
  EXPECT_EQ(DINPUT_INIT(), 0);
  EXPECT_EQ(NewLines(), " ??? DICreate returned an unknown error ???\n DirectInput Initialized.\n");
  EXPECT_EQ(ON_ERROR(), 0);
}

struct FailingStep {
  bool keyboard;
  const char *operation;
  const char *line;
};

TEST_F(KeyboardMouseTest, EveryFailingStepWritesItsLineAndRaisesTheCriticalReport) {
  const std::vector<FailingStep> steps = {
      {true, "IDirectInput7::CreateDevice", " !!! Couldn't create device for Keyboard !!!"},
      {true, "IDirectInputDevice7::QueryInterface", " !!! Couldn't Query IDirectDraw7 Interface for Keyboard!!!"},
      {true, "IDirectInputDevice7::SetDataFormat", " !!! SetDataFormat for Keyboard Device failed !!!"},
      {true, "IDirectInputDevice7::SetCooperativeLevel", " !!! SetCooperativeLevel for Keyboard Device failed !!!"},
      {true, "IDirectInputDevice7::SetProperty", " !!! SetProperty for Keyboard Device failed !!!"},
      {true, "IDirectInputDevice7::Acquire", " !!! Keyboard Acquire failed !!!"},
      {false, "IDirectInput7::CreateDevice", " !!! Couldn't create device for Mouse !!!"},
      {false, "IDirectInputDevice7::QueryInterface", " !!! Couldn't Query IDirectDraw7 Interface for Mouse!!!"},
      {false, "IDirectInputDevice7::SetCooperativeLevel", " !!! SetCooperativeLevel for Mouse Device failed !!!"},
      {false, "IDirectInputDevice7::SetDataFormat", " !!! SetDataFormat for Mouse Device failed !!!"},
      {false, "IDirectInputDevice7::Acquire", " !!! Mouse Acquire failed !!!"},
  };
  REPORT_MODE("run", 0);
  KORVANE_INIT(Window(), nullptr);
  ASSERT_EQ(DINPUT_INIT(), 0);
  NewLines();
  size_t boxes = 0;
  for (const FailingStep &step : steps) {
    SCOPED_TRACE(step.line);
    machine::fail_next(step.operation, 1, DIERR_GENERIC);
    EXPECT_EQ(step.keyboard ? KEYBOARD_INIT(1) : MOUSE_INIT(), 1);
    EXPECT_EQ(NewLines(), std::string(step.line) + "\n!!! DIERR_GENERIC !!!\n");
    auto shown = machine::message_boxes();
    ASSERT_EQ(shown.size(), ++boxes);
    EXPECT_EQ(shown.back().caption, "Critical!!!");
    EXPECT_EQ(shown.back().text, "DIERR_GENERIC");
  }
  EXPECT_EQ(ON_ERROR(), 1);
  DINPUT_RELEASE();
  EXPECT_EQ(machine::live_directinput_devices(), 0) << "no first interface or half-made device is leaked";
}

TEST_F(KeyboardMouseTest, BufferedModeDeliversOneEventPerUpdate) {
  ASSERT_EQ(DINPUT_INIT(), 0);
  ASSERT_EQ(KEYBOARD_INIT(1), 0);
  struct Frame {
    std::vector<std::pair<int, bool>> keys;  // key, down
    int events;
    int spacePressed;
  };
  const std::vector<Frame> frames = {
      {{}, 0, 0},
      {{{DIK_SPACE, true}}, 1, 1},
      {{}, 0, 0},                                        // no event: nothing is pressed again
      {{{DIK_SPACE, false}}, 1, 0},                      // the release is an event but no press
      {{{DIK_A, true}, {DIK_SPACE, true}}, 1, 0},        // two presses: the buffer of one keeps the first
      {{}, 0, 0},                                        // the dropped press never arrives
      {{{DIK_SPACE, false}, {DIK_SPACE, true}}, 1, 0},   // the release is kept, the press dropped
  };
  int number = 0;
  for (const Frame &frame : frames) {
    SCOPED_TRACE(number++);
    for (auto [key, down] : frame.keys) down ? machine::key_down(key) : machine::key_up(key);
    DINPUT_UPDATE();
    EXPECT_EQ(GET_KB_BUFFER_EVENTS(), frame.events);
    EXPECT_EQ(GET_KB_BUFFER_DATA(0, DIK_SPACE), frame.spacePressed);
    EXPECT_EQ(GET_KB_BUFFER_DATA(1, DIK_SPACE), 0);
    EXPECT_EQ(KEYBOARD_KEYSTATE(DIK_SPACE), 0) << "buffered mode leaves the key state alone";
  }
  machine::key_down(DIK_A);
  DINPUT_UPDATE();
  EXPECT_EQ(GET_KB_BUFFER_DATA(0, DIK_A), 1);
}

TEST_F(KeyboardMouseTest, ImmediateModeShowsAHeldKeyOnEveryUpdate) {
  ASSERT_EQ(DINPUT_INIT(), 0);
  ASSERT_EQ(KEYBOARD_INIT(0), 0);
  EXPECT_EQ(NewLines().find(" - Setting Keyboard to Immediate Mode\n"), std::string(" DirectInput Initialized.\n").size());
  machine::key_down(DIK_LEFT);
  for (int frame = 0; frame < 3; ++frame) {
    DINPUT_UPDATE();
    EXPECT_EQ(KEYBOARD_KEYSTATE(DIK_LEFT), 1);
    EXPECT_EQ(KEYBOARD_KEYSTATE(DIK_RIGHT), 0);
  }
  machine::key_up(DIK_LEFT);
  DINPUT_UPDATE();
  EXPECT_EQ(KEYBOARD_KEYSTATE(DIK_LEFT), 0);
  // Scan codes outside the state read nothing.
  for (int outside : {-1, 256, 100000, -100000}) EXPECT_EQ(KEYBOARD_KEYSTATE(outside), 0);
}

TEST_F(KeyboardMouseTest, MouseGivesMovementSinceTheLastUpdate) {
  ASSERT_EQ(DINPUT_INIT(), 0);
  ASSERT_EQ(MOUSE_INIT(), 0);
  machine::mouse_move(5, -3);
  machine::mouse_move(2, 1);
  machine::mouse_wheel(120);
  machine::mouse_button(0, true);
  machine::mouse_button(3, true);
  machine::mouse_button(4, true);
  DINPUT_UPDATE();
  EXPECT_EQ(MOUSE_X(), 7);
  EXPECT_EQ(MOUSE_Y(), -2);
  EXPECT_EQ(MOUSE_Z(), 120);
  const int pressed[8] = {MOUSE_B0(), MOUSE_B1(), MOUSE_B2(), MOUSE_B3(),
                          MOUSE_B4(), MOUSE_B5(), MOUSE_B6(), MOUSE_B7()};
  const int expected[8] = {1, 0, 0, 1, 0, 0, 0, 0};
  for (int button = 0; button < 8; ++button) EXPECT_EQ(pressed[button], expected[button]) << button;
  DINPUT_UPDATE();  // at rest
  EXPECT_EQ(MOUSE_X(), 0);
  EXPECT_EQ(MOUSE_Y(), 0);
  EXPECT_EQ(MOUSE_Z(), 0);
  EXPECT_EQ(MOUSE_B0(), 1) << "a held button stays pressed";
}

TEST_F(KeyboardMouseTest, LostDevicesAreReportedAndAcquiredAgain) {
  ASSERT_EQ(DINPUT_INIT(), 0);
  ASSERT_EQ(KEYBOARD_INIT(0), 0);
  ASSERT_EQ(MOUSE_INIT(), 0);
  NewLines();
  machine::key_down(DIK_W);
  machine::mouse_button(1, true);
  DINPUT_UPDATE();
  machine::take_focus();
  machine::mouse_move(9, 9);
  DINPUT_UPDATE();
  EXPECT_EQ(NewLines(), " ! - Keyboard inputlost or not acquired.\n ! - Mouse inputlost or not acquired.\n");
  EXPECT_EQ(KEYBOARD_KEYSTATE(DIK_W), 1) << "a failed key read leaves the last state";
  EXPECT_EQ(MOUSE_X(), 0) << "a failed mouse read gives no movement";
  EXPECT_EQ(MOUSE_B1(), 0);
  DINPUT_UPDATE();  // still without the focus: acquiring again is refused
  EXPECT_EQ(NewLines(), " ! - Keyboard inputlost or not acquired.\n ! - Mouse inputlost or not acquired.\n");
  machine::give_focus();
  DINPUT_UPDATE();  // re-acquired at the end of this update
  NewLines();
  machine::mouse_move(4, 0);
  DINPUT_UPDATE();
  EXPECT_EQ(NewLines(), "");
  EXPECT_EQ(MOUSE_X(), 4);
  EXPECT_EQ(MOUSE_B1(), 1);
  EXPECT_EQ(ON_ERROR(), 0) << "lost input is not critical";
}

TEST_F(KeyboardMouseTest, LostBufferedKeyboardIsAcquiredAgainSilently) {
  ASSERT_EQ(DINPUT_INIT(), 0);
  ASSERT_EQ(KEYBOARD_INIT(1), 0);
  machine::key_down(DIK_SPACE);
  DINPUT_UPDATE();
  ASSERT_EQ(GET_KB_BUFFER_DATA(0, DIK_SPACE), 1);
  NewLines();
  machine::fail_next("IDirectInputDevice7::GetDeviceData", 1, DIERR_INPUTLOST);
  DINPUT_UPDATE();
  EXPECT_EQ(NewLines(), "");
  EXPECT_EQ(GET_KB_BUFFER_EVENTS(), 0);
  EXPECT_EQ(GET_KB_BUFFER_DATA(0, DIK_SPACE), 0) << "the old event is not delivered twice";
  machine::key_up(DIK_SPACE);
  DINPUT_UPDATE();
  EXPECT_EQ(GET_KB_BUFFER_EVENTS(), 1);
}

TEST_F(KeyboardMouseTest, OnlyLostReadsAreReportedInDeviceOrder) {
  machine::attach_joystick(machine::JoystickModel());
  ASSERT_EQ(DINPUT_INIT(), 0);
  ASSERT_EQ(KEYBOARD_INIT(0), 0);
  ASSERT_EQ(MOUSE_INIT(), 0);
  ASSERT_EQ(JOYSTICK_INIT(), 0);
  const std::string lost =
      " ! - Joystick inputlost or not acquired.\n"
      " ! - Keyboard inputlost or not acquired.\n"
      " ! - Mouse inputlost or not acquired.\n";
  const std::vector<std::pair<HRESULT, std::string>> cases = {
      {DIERR_INPUTLOST, lost}, {DIERR_NOTACQUIRED, lost}, {DIERR_GENERIC, ""}, {DIERR_INVALIDPARAM, ""}};
  for (const auto &[result, lines] : cases) {
    SCOPED_TRACE(result);
    machine::mouse_move(3, 3);
    machine::key_down(DIK_Q);
    DINPUT_UPDATE();
    ASSERT_EQ(KEYBOARD_KEYSTATE(DIK_Q), 1);
    NewLines();
    machine::key_up(DIK_Q);
    machine::mouse_move(3, 3);
    machine::fail_next("IDirectInputDevice7::GetDeviceState", 3, result);
    DINPUT_UPDATE();
    EXPECT_EQ(NewLines(), lines);
    EXPECT_EQ(KEYBOARD_KEYSTATE(DIK_Q), 1) << "a failed key read leaves the last state";
    EXPECT_EQ(MOUSE_X(), 0) << "a failed mouse read gives no movement";
  }
  EXPECT_EQ(ON_ERROR(), 0);
}

TEST_F(KeyboardMouseTest, EachModeLeavesTheOtherModesValuesAlone) {
  ASSERT_EQ(DINPUT_INIT(), 0);
  ASSERT_EQ(KEYBOARD_INIT(0), 0);
  machine::key_down(DIK_A);
  DINPUT_UPDATE();
  ASSERT_EQ(KEYBOARD_KEYSTATE(DIK_A), 1);

  ASSERT_EQ(KEYBOARD_INIT(1), 0);
  machine::key_up(DIK_A);
  machine::key_down(DIK_B);
  DINPUT_UPDATE();
  EXPECT_EQ(GET_KB_BUFFER_EVENTS(), 1);
  EXPECT_EQ(GET_KB_BUFFER_DATA(0, DIK_A), 0) << "the first event is the release of A";
  EXPECT_EQ(KEYBOARD_KEYSTATE(DIK_A), 1) << "buffered reads keep the last immediate state";
  EXPECT_EQ(KEYBOARD_KEYSTATE(DIK_B), 0);

  ASSERT_EQ(KEYBOARD_INIT(0), 0);
  DINPUT_UPDATE();
  EXPECT_EQ(KEYBOARD_KEYSTATE(DIK_A), 0);
  EXPECT_EQ(KEYBOARD_KEYSTATE(DIK_B), 1);
  EXPECT_EQ(GET_KB_BUFFER_EVENTS(), 1) << "immediate reads keep the last buffered count";

  // Any other nonzero mode reads buffered, but only mode 1 gives the device a
  // buffer: DirectInput then has no event to deliver.
  NewLines();
  ASSERT_EQ(KEYBOARD_INIT(2), 0);
  EXPECT_EQ(NewLines(),
            " - Setting Keyboard to Buffered Data Mode\n"
            " Query for IDirectInput7 KeyBoard Succeeded.\n"
            " SetDataFormat for Keyboard Device succeeded.\n"
            " SetCooperativeLevel for Keyboard Device succeeded.\n"
            " Aquire for Keyboard succeeded.\n");
  machine::key_down(DIK_C);
  DINPUT_UPDATE();
  EXPECT_EQ(GET_KB_BUFFER_EVENTS(), 0);
  EXPECT_EQ(KEYBOARD_KEYSTATE(DIK_C), 0);
  EXPECT_EQ(NewLines(), "");
}

TEST_F(KeyboardMouseTest, ReacquireAndSingleDeviceReleases) {
  ASSERT_EQ(DINPUT_INIT(), 0);
  ASSERT_EQ(KEYBOARD_INIT(0), 0);
  ASSERT_EQ(MOUSE_INIT(), 0);
  machine::take_focus();
  machine::give_focus();
  REAQUIRE_INPUT();
  NewLines();
  DINPUT_UPDATE();
  EXPECT_EQ(NewLines(), "") << "REAQUIRE_INPUT acquired both devices again";
  KEYBOARD_RELEASE();
  MOUSE_RELEASE();
  KEYBOARD_RELEASE();  // nothing left: no line
  EXPECT_EQ(NewLines(), " [DirectInput's Keyboard released]\n [DirectInput's Mouse released]\n");
  EXPECT_EQ(machine::live_directinput_devices(), 0);
  DINPUT_UPDATE();  // no device: nothing is read
  EXPECT_EQ(NewLines(), "");
}

TEST_F(KeyboardMouseTest, InitialisingAgainReplacesTheDevices) {
  ASSERT_EQ(DINPUT_INIT(), 0);
  ASSERT_EQ(DINPUT_INIT(), 0);
  ASSERT_EQ(KEYBOARD_INIT(0), 0);
  ASSERT_EQ(KEYBOARD_INIT(1), 0) << "the exclusive keyboard of the first call does not block the second";
  ASSERT_EQ(MOUSE_INIT(), 0);
  ASSERT_EQ(MOUSE_INIT(), 0);
  EXPECT_EQ(machine::live_directinput_objects(), 1);
  EXPECT_EQ(machine::live_directinput_devices(), 2);
  EXPECT_EQ(ON_ERROR(), 0);
}

TEST_F(KeyboardMouseTest, ExitReleasesInputFirst) {
  ASSERT_EQ(DINPUT_INIT(), 0);
  ASSERT_EQ(KEYBOARD_INIT(0), 0);
  KORVANE_EXIT();
  EXPECT_EQ(machine::live_directinput_objects(), 0);
  EXPECT_EQ(glpDIKeyboard, nullptr);
  EXPECT_EQ(glpDI, nullptr);
}

}  // namespace
