// The display's module state: the DirectDraw object, the display surfaces
// and palette, and the video-mode settings.
#pragma once

#include <windows.h>
#include <ddraw.h>

extern LPDIRECTDRAW7 glpDD;
extern LPDIRECTDRAWSURFACE7 glpDDSPrimary;
extern LPDIRECTDRAWSURFACE7 glpDDSBack;
extern LPDIRECTDRAWPALETTE glpDDPalette;

// Video-mode settings: back buffers in the flip chain, and 1 to place the
// display surfaces in video memory (0: system memory).
extern int gBackBufferCount;
extern int gUseVideoMemory;

// Defaults KORVANE_INIT restores: one back buffer, video memory.
void ResetVideoModeSettings();
