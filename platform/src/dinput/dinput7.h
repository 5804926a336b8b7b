// The DirectInput 7 view of <dinput.h> that the platform implements: the
// version fixes the record sizes (16-byte DIDEVICEOBJECTDATA) and declares
// DirectInputCreateEx. Included first by every DirectInput source.
#pragma once

#define DIRECTINPUT_VERSION 0x0700
#include <windows.h>
#include <dinput.h>
