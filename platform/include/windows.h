/* The Win32 subset of the portable platform, gathered as <windows.h> is. */
#ifndef PLATFORM_WINDOWS_H
#define PLATFORM_WINDOWS_H

#include "windef.h"
#include "winerror.h"
#include "winbase.h"
#include "wingdi.h"
#include "winuser.h"
#include "objbase.h"

#endif
