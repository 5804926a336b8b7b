// c_dfDIKeyboard, c_dfDIMouse, c_dfDIMouse2, c_dfDIJoystick and
// c_dfDIJoystick2: the standard device states described object by object,
// as DirectInput publishes them.
#include "dinput/data_formats.h"

#include <vector>

namespace {

constexpr DWORD kAnyAxis = DIDFT_OPTIONAL | DIDFT_AXIS | DIDFT_ANYINSTANCE;
constexpr DWORD kAnyButton = DIDFT_OPTIONAL | DIDFT_BUTTON | DIDFT_ANYINSTANCE;
constexpr DWORD kAnyPov = DIDFT_OPTIONAL | DIDFT_POV | DIDFT_ANYINSTANCE;

struct ObjectList {
  std::vector<DIOBJECTDATAFORMAT> objects;
  void Add(const GUID *guid, DWORD offset, DWORD type, DWORD flags = 0) {
    objects.push_back(DIOBJECTDATAFORMAT{guid, offset, type, flags});
  }
};

ObjectList KeyboardObjects() {
  ObjectList list;
  for (DWORD key = 0; key < 256; ++key) {
    list.Add(&GUID_Key, key, DIDFT_OPTIONAL | DIDFT_BUTTON | DIDFT_MAKEINSTANCE(key));
  }
  return list;
}

ObjectList MouseObjects(int buttons) {
  ObjectList list;
  list.Add(&GUID_XAxis, DIMOFS_X, DIDFT_AXIS | DIDFT_ANYINSTANCE);
  list.Add(&GUID_YAxis, DIMOFS_Y, DIDFT_AXIS | DIDFT_ANYINSTANCE);
  list.Add(&GUID_ZAxis, DIMOFS_Z, kAnyAxis);
  for (int button = 0; button < buttons; ++button) {
    DWORD type = button == 0 ? DIDFT_BUTTON | DIDFT_ANYINSTANCE : kAnyButton;
    list.Add(nullptr, DIMOFS_BUTTON0 + button, type);
  }
  return list;
}

// The six axes and two sliders of one aspect (position, velocity,
// acceleration, force) starting at `offset`.
void AddAxisBlock(ObjectList &list, DWORD offset, DWORD aspect) {
  const GUID *axes[] = {&GUID_XAxis, &GUID_YAxis, &GUID_ZAxis, &GUID_RxAxis, &GUID_RyAxis, &GUID_RzAxis};
  for (const GUID *axis : axes) {
    list.Add(axis, offset, kAnyAxis, aspect);
    offset += sizeof(LONG);
  }
  for (int slider = 0; slider < 2; ++slider) {
    list.Add(&GUID_Slider, offset, kAnyAxis, aspect);
    offset += sizeof(LONG);
  }
}

ObjectList JoystickObjects(int buttons, bool extended) {
  ObjectList list;
  AddAxisBlock(list, DIJOFS_X, DIDOI_ASPECTPOSITION);
  for (int pov = 0; pov < 4; ++pov) list.Add(&GUID_POV, DIJOFS_POV(pov), kAnyPov);
  for (int button = 0; button < buttons; ++button) list.Add(nullptr, DIJOFS_BUTTON(button), kAnyButton);
  if (extended) {
    AddAxisBlock(list, FIELD_OFFSET(DIJOYSTATE2, lVX), DIDOI_ASPECTVELOCITY);
    AddAxisBlock(list, FIELD_OFFSET(DIJOYSTATE2, lAX), DIDOI_ASPECTACCEL);
    AddAxisBlock(list, FIELD_OFFSET(DIJOYSTATE2, lFX), DIDOI_ASPECTFORCE);
  }
  return list;
}

ObjectList gKeyboardObjects = KeyboardObjects();
ObjectList gMouseObjects = MouseObjects(4);
ObjectList gMouse2Objects = MouseObjects(8);
ObjectList gJoystickObjects = JoystickObjects(32, false);
ObjectList gJoystick2Objects = JoystickObjects(128, true);

DIDATAFORMAT MakeFormat(DWORD flags, DWORD dataSize, ObjectList &list) {
  return DIDATAFORMAT{sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), flags, dataSize,
                      static_cast<DWORD>(list.objects.size()), list.objects.data()};
}

}  // namespace

extern "C" {
const DIDATAFORMAT c_dfDIKeyboard = MakeFormat(DIDF_RELAXIS, 256, gKeyboardObjects);
const DIDATAFORMAT c_dfDIMouse = MakeFormat(DIDF_RELAXIS, sizeof(DIMOUSESTATE), gMouseObjects);
const DIDATAFORMAT c_dfDIMouse2 = MakeFormat(DIDF_RELAXIS, sizeof(DIMOUSESTATE2), gMouse2Objects);
const DIDATAFORMAT c_dfDIJoystick = MakeFormat(DIDF_ABSAXIS, sizeof(DIJOYSTATE), gJoystickObjects);
const DIDATAFORMAT c_dfDIJoystick2 = MakeFormat(DIDF_ABSAXIS, sizeof(DIJOYSTATE2), gJoystick2Objects);
}

namespace platform::dinput {

FormatKind IdentifyFormat(LPCDIDATAFORMAT format) {
  if (format == &c_dfDIKeyboard) return FormatKind::kKeyboard;
  if (format == &c_dfDIMouse) return FormatKind::kMouse;
  if (format == &c_dfDIMouse2) return FormatKind::kMouse2;
  if (format == &c_dfDIJoystick) return FormatKind::kJoystick;
  if (format == &c_dfDIJoystick2) return FormatKind::kJoystick2;
  return FormatKind::kNone;
}

}  // namespace platform::dinput
