// The Windows version GetVersion reports, as the machine interface sets it.
#pragma once

#include <windows.h>

namespace platform {

// Low byte the major version, next byte the minor, high word the build.
void SetVersion(DWORD version);

}  // namespace platform
