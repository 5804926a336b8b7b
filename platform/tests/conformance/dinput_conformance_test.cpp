// DirectInput 7 as any program sees it: the factory and its devices, the
// predefined data formats, cooperative levels, properties, and the rules
// of acquiring before reading.
#include "conformance.h"

#include <dinput.h>

namespace {

// DIPROP_* identifiers are small integers cast to GUID references, as in
// DirectInput's own headers; binding them is kept out of alignment checking.
__attribute__((no_sanitize("alignment"))) HRESULT SetBufferSize(IDirectInputDevice7A *device, DIPROPHEADER *header) {
  return device->SetProperty(DIPROP_BUFFERSIZE, header);
}
__attribute__((no_sanitize("alignment"))) HRESULT GetBufferSize(IDirectInputDevice7A *device, DIPROPHEADER *header) {
  return device->GetProperty(DIPROP_BUFFERSIZE, header);
}

class DirectInputConformance : public ::testing::Test {
 protected:
  void SetUp() override {
    LPVOID object = nullptr;
    ASSERT_EQ(DirectInputCreateEx(GetModuleHandleA(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput7A, &object,
                                  nullptr),
              DI_OK);
    di_ = static_cast<IDirectInput7A *>(object);
  }
  void TearDown() override {
    if (device_ != nullptr) device_->Release();
    if (di_ != nullptr) di_->Release();
  }

  IDirectInputDevice7A *Device(REFGUID guid) {
    LPVOID object = nullptr;
    EXPECT_EQ(di_->CreateDeviceEx(guid, IID_IDirectInputDevice7A, &object, nullptr), DI_OK);
    device_ = static_cast<IDirectInputDevice7A *>(object);
    return device_;
  }

  IDirectInput7A *di_ = nullptr;
  IDirectInputDevice7A *device_ = nullptr;
};

TEST_F(DirectInputConformance, PredefinedDataFormatsDescribeTheStandardStates) {
  struct Row {
    const char *what;
    const DIDATAFORMAT *format;
    DWORD objects;
    DWORD dataSize;
    DWORD flags;
  };
  const Row rows[] = {
      {"keyboard", &c_dfDIKeyboard, 256, 256, DIDF_RELAXIS},
      {"mouse", &c_dfDIMouse, 7, sizeof(DIMOUSESTATE), DIDF_RELAXIS},
      {"mouse2", &c_dfDIMouse2, 11, sizeof(DIMOUSESTATE2), DIDF_RELAXIS},
      {"joystick", &c_dfDIJoystick, 44, sizeof(DIJOYSTATE), DIDF_ABSAXIS},
      {"joystick2", &c_dfDIJoystick2, 164, sizeof(DIJOYSTATE2), DIDF_ABSAXIS},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(row.format->dwSize, sizeof(DIDATAFORMAT));
    EXPECT_EQ(row.format->dwObjSize, sizeof(DIOBJECTDATAFORMAT));
    EXPECT_EQ(row.format->dwFlags, row.flags);
    EXPECT_EQ(row.format->dwDataSize, row.dataSize);
    ASSERT_EQ(row.format->dwNumObjs, row.objects);
    // Every object lies inside the state.
    for (DWORD i = 0; i < row.format->dwNumObjs; ++i) {
      EXPECT_LT(row.format->rgodf[i].dwOfs, row.dataSize) << i;
    }
  }
  EXPECT_EQ(sizeof(DIMOUSESTATE), 16u);
  EXPECT_EQ(sizeof(DIJOYSTATE), 80u);
  EXPECT_EQ(sizeof(DIJOYSTATE2), 272u);
  // The mouse's first object is its X axis, at offset 0; the keyboard's
  // objects are its keys, key n at offset n; a joystick's buttons follow its
  // six axes, two sliders and four hats.
  ASSERT_NE(c_dfDIMouse.rgodf[0].pguid, nullptr);
  EXPECT_TRUE(IsEqualGUID(*c_dfDIMouse.rgodf[0].pguid, GUID_XAxis));
  EXPECT_EQ(c_dfDIMouse.rgodf[0].dwOfs, 0u);
  for (DWORD key = 0; key < 256; ++key) ASSERT_EQ(c_dfDIKeyboard.rgodf[key].dwOfs, key);
  // Buttons name no GUID: any button object matches them.
  const DIOBJECTDATAFORMAT &button = c_dfDIJoystick.rgodf[12];
  EXPECT_EQ(button.dwOfs, static_cast<DWORD>(DIJOFS_BUTTON(0)));
  EXPECT_EQ(button.pguid, nullptr);
  EXPECT_NE(button.dwType & DIDFT_BUTTON, 0u);
}

TEST_F(DirectInputConformance, SystemDevicesAreMadeAndDescribed) {
  struct Row {
    const char *what;
    const GUID *guid;
    BYTE type;
  };
  const Row rows[] = {{"keyboard", &GUID_SysKeyboard, DIDEVTYPE_KEYBOARD}, {"mouse", &GUID_SysMouse, DIDEVTYPE_MOUSE}};
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    IDirectInputDevice7A *device = Device(*row.guid);
    ASSERT_NE(device, nullptr);
    DIDEVCAPS caps{};
    caps.dwSize = sizeof caps;
    ASSERT_EQ(device->GetCapabilities(&caps), DI_OK);
    EXPECT_EQ(caps.dwDevType & 0xFF, row.type);
    EXPECT_TRUE(caps.dwFlags & DIDC_ATTACHED);
    DIDEVICEINSTANCEA instance{};
    instance.dwSize = sizeof instance;
    ASSERT_EQ(device->GetDeviceInfo(&instance), DI_OK);
    EXPECT_TRUE(IsEqualGUID(instance.guidInstance, *row.guid));
    device->Release();
    device_ = nullptr;
  }
  // A GUID no device answers to.
  const GUID nobody = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
  LPVOID object = reinterpret_cast<LPVOID>(1);
  EXPECT_EQ(di_->CreateDeviceEx(nobody, IID_IDirectInputDevice7A, &object, nullptr), DIERR_DEVICENOTREG);
  EXPECT_EQ(object, nullptr);
}

TEST_F(DirectInputConformance, ReadingNeedsAFormatAndAnAcquiredDevice) {
  IDirectInputDevice7A *keyboard = Device(GUID_SysKeyboard);
  ASSERT_NE(keyboard, nullptr);
  BYTE keys[256];
  EXPECT_EQ(keyboard->Acquire(), DIERR_INVALIDPARAM) << "no data format yet";
  ASSERT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DI_OK);
  EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DIERR_NOTACQUIRED);
  ASSERT_EQ(keyboard->SetCooperativeLevel(conformance::TestWindow(), DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DI_OK);

  DIPROPDWORD buffer{};
  buffer.diph.dwSize = sizeof buffer;
  buffer.diph.dwHeaderSize = sizeof buffer.diph;
  buffer.diph.dwHow = DIPH_DEVICE;
  buffer.dwData = 16;
  ASSERT_EQ(SetBufferSize(keyboard, &buffer.diph), DI_OK);
  DIPROPDWORD read{};
  read.diph.dwSize = sizeof read;
  read.diph.dwHeaderSize = sizeof read.diph;
  read.diph.dwHow = DIPH_DEVICE;
  ASSERT_EQ(GetBufferSize(keyboard, &read.diph), DI_OK);
  EXPECT_EQ(read.dwData, 16u);

  ASSERT_EQ(keyboard->Acquire(), DI_OK);
  EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DIERR_ACQUIRED) << "no format change while acquired";
  EXPECT_EQ(SetBufferSize(keyboard, &buffer.diph), DIERR_ACQUIRED);
  EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DI_OK);
  EXPECT_EQ(keyboard->GetDeviceState(sizeof keys - 1, keys), DIERR_INVALIDPARAM) << "the state's size must match";
  DIDEVICEOBJECTDATA events[4];
  DWORD count = 4;
  EXPECT_EQ(keyboard->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), events, &count, 0), DI_OK);
  ASSERT_EQ(keyboard->Unacquire(), DI_OK);
  EXPECT_EQ(keyboard->Unacquire(), DI_NOEFFECT);
  EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DIERR_NOTACQUIRED);
}

TEST_F(DirectInputConformance, CooperativeLevelsNeedOneOfEachPair) {
  IDirectInputDevice7A *keyboard = Device(GUID_SysKeyboard);
  ASSERT_NE(keyboard, nullptr);
  HWND window = conformance::TestWindow();
  EXPECT_EQ(keyboard->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE), DIERR_INVALIDPARAM) << "no foreground flag";
  EXPECT_EQ(keyboard->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND),
            DIERR_INVALIDPARAM);
  EXPECT_EQ(keyboard->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_BACKGROUND), DIERR_UNSUPPORTED)
      << "an exclusive background keyboard";
  EXPECT_EQ(keyboard->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND), DI_OK);
}

}  // namespace
