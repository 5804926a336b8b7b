// The platform's DirectInput 7 as any program sees it: object creation,
// enumeration, acquisition and focus, immediate and buffered reads with the
// overflow rule, properties and the axis values they shape.
#include <string>
#include <vector>

#include "support/input_test_support.h"

namespace {

HWND Window() { return reinterpret_cast<HWND>(0x2000); }

class DirectInputPlatformTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    ASSERT_EQ(DirectInputCreateEx(nullptr, 0x0700, IID_IDirectInput7A, reinterpret_cast<LPVOID *>(&input_), nullptr),
              DI_OK);
  }
  void TearDown() override {
    for (IDirectInputDevice7A *device : devices_) device->Release();
    if (input_ != nullptr) input_->Release();
    EXPECT_EQ(machine::live_directinput_devices(), 0);
    EXPECT_EQ(machine::live_directinput_objects(), 0);
    MachineTest::TearDown();
  }

  // A device with its data format and cooperative level set, not acquired.
  IDirectInputDevice7A *Device(REFGUID guid, LPCDIDATAFORMAT format, DWORD cooperation = DISCL_EXCLUSIVE | DISCL_FOREGROUND) {
    LPDIRECTINPUTDEVICEA first = nullptr;
    EXPECT_EQ(input_->CreateDevice(guid, &first, nullptr), DI_OK);
    if (first == nullptr) return nullptr;
    IDirectInputDevice7A *device = nullptr;
    EXPECT_EQ(first->QueryInterface(IID_IDirectInputDevice7A, reinterpret_cast<void **>(&device)), DI_OK);
    first->Release();
    EXPECT_EQ(device->SetDataFormat(format), DI_OK);
    EXPECT_EQ(device->SetCooperativeLevel(Window(), cooperation), DI_OK);
    devices_.push_back(device);
    return device;
  }

  static HRESULT SetBufferSize(IDirectInputDevice7A *device, DWORD size) {
    DIPROPDWORD property = {{sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), 0, DIPH_DEVICE}, size};
    return SetProp(device, &DIPROP_BUFFERSIZE, &property.diph);
  }

  IDirectInput7A *input_ = nullptr;
  std::vector<IDirectInputDevice7A *> devices_;
};

TEST_F(DirectInputPlatformTest, CreationChecksItsArguments) {
  LPVOID made = nullptr;
  struct Case {
    DWORD version;
    const IID *iid;
    HRESULT expected;
  };
  const std::vector<Case> cases = {
      {0x0800, &IID_IDirectInput7A, DIERR_OLDDIRECTINPUTVERSION},
      {0x0200, &IID_IDirectInput7A, DIERR_BETADIRECTINPUTVERSION},
      {0x0700, &IID_IDirectInputDevice7A, DIERR_NOINTERFACE},
      {0x0500, &IID_IDirectInputA, DI_OK},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(DirectInputCreateEx(nullptr, c.version, *c.iid, &made, nullptr), c.expected);
    if (made != nullptr) static_cast<IUnknown *>(made)->Release();
    made = nullptr;
  }
  EXPECT_EQ(DirectInputCreateEx(nullptr, 0x0700, IID_IDirectInput7A, nullptr, nullptr), DIERR_INVALIDPARAM);
  EXPECT_EQ(DirectInputCreateEx(nullptr, 0x0700, IID_IDirectInput7A, &made, input_), DIERR_NOAGGREGATION);
  LPDIRECTINPUTDEVICEA device = nullptr;
  EXPECT_EQ(input_->CreateDevice(GUID_Joystick, &device, nullptr), DIERR_DEVICENOTREG) << "no joystick yet";
  EXPECT_EQ(input_->CreateDevice(GUID_SysMouse, nullptr, nullptr), DIERR_INVALIDPARAM);
}

BOOL CALLBACK Collect(LPCDIDEVICEINSTANCEA instance, LPVOID context) {
  static_cast<std::vector<std::string> *>(context)->push_back(instance->tszProductName);
  return DIENUM_CONTINUE;
}

TEST_F(DirectInputPlatformTest, EnumeratesAttachedDevicesByType) {
  machine::JoystickModel stick, wheel;
  wheel.name = "Wheel";
  wheel.force_feedback = true;
  machine::attach_joystick(stick);
  machine::attach_joystick(wheel);
  struct Case {
    DWORD type, flags;
    std::vector<std::string> names;
  };
  const std::vector<Case> cases = {
      {0, DIEDFL_ATTACHEDONLY, {"Mouse", "Keyboard", "Virtual Joystick", "Wheel"}},
      {DIDEVTYPE_KEYBOARD, 0, {"Keyboard"}},
      {DIDEVTYPE_JOYSTICK, DIEDFL_ATTACHEDONLY, {"Virtual Joystick", "Wheel"}},
      {DIDEVTYPE_JOYSTICK, DIEDFL_FORCEFEEDBACK, {"Wheel"}},
  };
  for (const Case &c : cases) {
    std::vector<std::string> names;
    EXPECT_EQ(input_->EnumDevices(c.type, Collect, &names, c.flags), DI_OK);
    EXPECT_EQ(names, c.names);
  }
  EXPECT_EQ(input_->EnumDevices(0, nullptr, nullptr, 0), DIERR_INVALIDPARAM);
  machine::reset();
  std::vector<std::string> names;
  input_->EnumDevices(DIDEVTYPE_JOYSTICK, Collect, &names, 0);
  EXPECT_TRUE(names.empty()) << "the power-on machine has no joystick";
}

TEST_F(DirectInputPlatformTest, AcquisitionRules) {
  LPDIRECTINPUTDEVICEA bare = nullptr;
  ASSERT_EQ(input_->CreateDevice(GUID_SysKeyboard, &bare, nullptr), DI_OK);
  EXPECT_EQ(bare->Acquire(), DIERR_INVALIDPARAM) << "no data format yet";
  EXPECT_EQ(bare->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), E_HANDLE);
  EXPECT_EQ(bare->SetCooperativeLevel(Window(), DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND),
            DIERR_INVALIDPARAM);
  EXPECT_EQ(bare->SetCooperativeLevel(Window(), DISCL_EXCLUSIVE | DISCL_BACKGROUND), DIERR_UNSUPPORTED);
  EXPECT_EQ(bare->SetDataFormat(&c_dfDIMouse), DIERR_INVALIDPARAM) << "a mouse format on a keyboard";
  bare->Release();

  IDirectInputDevice7A *keyboard = Device(GUID_SysKeyboard, &c_dfDIKeyboard);
  IDirectInputDevice7A *second = Device(GUID_SysKeyboard, &c_dfDIKeyboard);
  BYTE keys[256];
  EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DIERR_NOTACQUIRED);
  EXPECT_EQ(keyboard->Acquire(), DI_OK);
  EXPECT_EQ(keyboard->Acquire(), DI_NOEFFECT);
  EXPECT_EQ(second->Acquire(), DIERR_OTHERAPPHASPRIO) << "one exclusive owner at a time";
  EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DIERR_ACQUIRED);
  EXPECT_EQ(SetBufferSize(keyboard, 8), DIERR_ACQUIRED);
  EXPECT_EQ(keyboard->GetDeviceState(100, keys), DIERR_INVALIDPARAM);
  EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, nullptr), DIERR_INVALIDPARAM);

  machine::take_focus();
  EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DIERR_INPUTLOST);
  EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DIERR_NOTACQUIRED);
  EXPECT_EQ(keyboard->Acquire(), DIERR_OTHERAPPHASPRIO);
  machine::give_focus();
  EXPECT_EQ(keyboard->Acquire(), DI_OK);
  EXPECT_EQ(keyboard->Unacquire(), DI_OK);
  EXPECT_EQ(keyboard->Unacquire(), DI_NOEFFECT);
  EXPECT_EQ(second->Acquire(), DI_OK);

  IDirectInputDevice7A *background = Device(GUID_SysMouse, &c_dfDIMouse, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND);
  ASSERT_EQ(background->Acquire(), DI_OK);
  machine::take_focus();
  DIMOUSESTATE mouse;
  EXPECT_EQ(background->GetDeviceState(sizeof mouse, &mouse), DI_OK) << "background devices keep their input";
}

TEST_F(DirectInputPlatformTest, BufferedDataKeepsTheOldestEventsOnOverflow) {
  IDirectInputDevice7A *keyboard = Device(GUID_SysKeyboard, &c_dfDIKeyboard);
  DIDEVICEOBJECTDATA events[4];
  DWORD count = 4;
  ASSERT_EQ(keyboard->Acquire(), DI_OK);
  EXPECT_EQ(keyboard->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), events, &count, 0), DIERR_NOTBUFFERED);
  keyboard->Unacquire();
  ASSERT_EQ(SetBufferSize(keyboard, 2), DI_OK);
  ASSERT_EQ(keyboard->Acquire(), DI_OK);
  machine::key_down(DIK_A);
  machine::key_up(DIK_A);
  machine::key_down(DIK_B);  // dropped: the buffer holds two

  count = 4;
  EXPECT_EQ(keyboard->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), events, &count, DIGDD_PEEK), DI_BUFFEROVERFLOW);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(keyboard->GetDeviceData(12, events, &count, 0), DIERR_INVALIDPARAM);
  EXPECT_EQ(keyboard->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), events, nullptr, 0), DIERR_INVALIDPARAM);
  count = 1;
  EXPECT_EQ(keyboard->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), events, &count, 0), DI_BUFFEROVERFLOW);
  ASSERT_EQ(count, 1u);
  EXPECT_EQ(events[0].dwOfs, static_cast<DWORD>(DIK_A));
  EXPECT_EQ(events[0].dwData, 0x80u);
  count = 4;
  EXPECT_EQ(keyboard->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), events, &count, 0), DI_OK);
  ASSERT_EQ(count, 1u);
  EXPECT_EQ(events[0].dwOfs, static_cast<DWORD>(DIK_A));
  EXPECT_EQ(events[0].dwData, 0u);
  count = 4;
  EXPECT_EQ(keyboard->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), events, &count, 0), DI_OK);
  EXPECT_EQ(count, 0u);
}

TEST_F(DirectInputPlatformTest, MouseEventsAndMotion) {
  IDirectInputDevice7A *mouse = Device(GUID_SysMouse, &c_dfDIMouse2);
  ASSERT_EQ(SetBufferSize(mouse, 16), DI_OK);
  machine::mouse_move(3, 0);  // not acquired: lost
  ASSERT_EQ(mouse->Acquire(), DI_OK);
  machine::mouse_move(-2, 6);
  machine::mouse_button(4, true);
  DIMOUSESTATE2 state;
  ASSERT_EQ(mouse->GetDeviceState(sizeof state, &state), DI_OK);
  EXPECT_EQ(state.lX, -2);
  EXPECT_EQ(state.lY, 6);
  EXPECT_EQ(state.rgbButtons[4], 0x80);
  DIDEVICEOBJECTDATA events[8];
  DWORD count = 8;
  ASSERT_EQ(mouse->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), events, &count, 0), DI_OK);
  ASSERT_EQ(count, 3u);
  EXPECT_EQ(events[0].dwOfs, static_cast<DWORD>(DIMOFS_X));
  EXPECT_EQ(static_cast<LONG>(events[0].dwData), -2);
  EXPECT_EQ(events[2].dwOfs, static_cast<DWORD>(DIMOFS_BUTTON4));
  EXPECT_LT(events[0].dwSequence, events[1].dwSequence);
}

TEST_F(DirectInputPlatformTest, AxisValuesFollowRangeDeadZoneAndSaturation) {
  machine::JoystickModel model;
  model.raw_min = -100;
  model.raw_max = 100;
  int id = machine::attach_joystick(model);
  IDirectInputDevice7A *stick = Device(GUID_Joystick, &c_dfDIJoystick);
  struct Case {
    LONG minimum, maximum;
    DWORD deadZone, saturation;
    LONG raw;
    LONG expected;
  };
  const std::vector<Case> cases = {
      {-1000, 1000, 0, 10000, 50, 500},    {-1000, 1000, 0, 10000, -100, -1000},
      {-1000, 1000, 2000, 10000, 20, 0},   {-1000, 1000, 2000, 10000, 60, 500},
      {-1000, 1000, 0, 5000, 50, 1000},    {-1000, 1000, 0, 5000, 25, 500},
      {0, 100, 0, 10000, 0, 50},           {0, 100, 5000, 5000, 51, 100},
      {-1000, 1000, 0, 10000, 500, 1000},  // raw beyond the travel
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::to_string(c.raw));
    DIPROPRANGE range = {{sizeof(DIPROPRANGE), sizeof(DIPROPHEADER), DIJOFS_X, DIPH_BYOFFSET}, c.minimum, c.maximum};
    DIPROPDWORD dead = {{sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), DIJOFS_X, DIPH_BYOFFSET}, c.deadZone};
    DIPROPDWORD saturation = {{sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), DIJOFS_X, DIPH_BYOFFSET}, c.saturation};
    ASSERT_EQ(SetProp(stick, &DIPROP_RANGE, &range.diph), DI_OK);
    ASSERT_EQ(SetProp(stick, &DIPROP_DEADZONE, &dead.diph), DI_OK);
    ASSERT_EQ(SetProp(stick, &DIPROP_SATURATION, &saturation.diph), DI_OK);
    ASSERT_EQ(stick->Acquire(), DI_OK);
    machine::joystick_axis(id, machine::kAxisX, c.raw);
    DIJOYSTATE state;
    ASSERT_EQ(stick->GetDeviceState(sizeof state, &state), DI_OK);
    EXPECT_EQ(state.lX, c.expected);
    EXPECT_EQ(state.rgdwPOV[0], 0xFFFFFFFFu) << "an absent hat reads centred";
    DIPROPRANGE back = {{sizeof(DIPROPRANGE), sizeof(DIPROPHEADER), DIJOFS_X, DIPH_BYOFFSET}, 0, 0};
    ASSERT_EQ(GetProp(stick, &DIPROP_RANGE, &back.diph), DI_OK);
    EXPECT_EQ(back.lMax, c.maximum);
    stick->Unacquire();
  }
}

TEST_F(DirectInputPlatformTest, PropertyAndObjectChecks) {
  machine::attach_joystick(machine::JoystickModel());
  IDirectInputDevice7A *stick = Device(GUID_Joystick, &c_dfDIJoystick);
  DIPROPDWORD dead = {{sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), DIJOFS_Z, DIPH_BYOFFSET}, 100};
  EXPECT_EQ(SetProp(stick, &DIPROP_DEADZONE, &dead.diph), DIERR_OBJECTNOTFOUND) << "no Z axis";
  dead.diph.dwSize = 16;
  EXPECT_EQ(SetProp(stick, &DIPROP_DEADZONE, &dead.diph), DIERR_INVALIDPARAM);
  dead.diph = {sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), 0, DIPH_DEVICE};
  dead.dwData = 0;
  EXPECT_EQ(SetProp(stick, &DIPROP_AUTOCENTER, &dead.diph), DIERR_UNSUPPORTED) << "no force feedback";
  EXPECT_EQ(SetProp(stick, &DIPROP_DEADZONE, nullptr), DIERR_INVALIDPARAM);

  DIDEVICEOBJECTINSTANCEA object = {};
  object.dwSize = sizeof object;
  EXPECT_EQ(stick->GetObjectInfo(&object, DIJOFS_Y, DIPH_BYOFFSET), DI_OK);
  EXPECT_TRUE(IsEqualGUID(object.guidType, GUID_YAxis));
  EXPECT_EQ(stick->GetObjectInfo(&object, DIJOFS_RX, DIPH_BYOFFSET), DIERR_OBJECTNOTFOUND);
  object.dwSize = 100;
  EXPECT_EQ(stick->GetObjectInfo(&object, DIJOFS_Y, DIPH_BYOFFSET), DIERR_INVALIDPARAM);
  EXPECT_EQ(stick->GetObjectInfo(nullptr, DIJOFS_Y, DIPH_BYOFFSET), DIERR_INVALIDPARAM);

  DIDEVCAPS caps = {};
  caps.dwSize = sizeof caps;
  ASSERT_EQ(stick->GetCapabilities(&caps), DI_OK);
  EXPECT_EQ(caps.dwAxes, 2u);
  EXPECT_EQ(caps.dwButtons, 4u);
  EXPECT_EQ(caps.dwFlags, static_cast<DWORD>(DIDC_ATTACHED));
  caps.dwSize = 0;
  EXPECT_EQ(stick->GetCapabilities(&caps), DIERR_INVALIDPARAM);
}

}  // namespace
