// The predefined data formats DirectInput devices accept, and which of them
// a program passed to SetDataFormat.
#pragma once

#include "dinput/dinput7.h"

namespace platform::dinput {

enum class FormatKind { kNone, kKeyboard, kMouse, kMouse2, kJoystick, kJoystick2 };

// The predefined format `format` points to (kNone for any other).
FormatKind IdentifyFormat(LPCDIDATAFORMAT format);

}  // namespace platform::dinput
