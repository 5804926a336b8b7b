// Critical reports: the report line, the display surfaces released, the
// system-modal box, the surfaces rebuilt, and the critical-error flag.
#pragma once

#include <windows.h>

int DDCritical(HRESULT result);
int D3DCritical(HRESULT result);
int DICritical(HRESULT result);
int CDCritical(DWORD error);
int MIDICritical(DWORD error);

// The procedure the critical reports and ERROR_MESSAGE share: writes the
// line, releases the surfaces, shows the box with the text, rebuilds.
// Returns the rebuild's result.
int ShowCriticalMessage(const char *line, const char *boxText);
