// The display's module state: the DirectDraw object, the display surfaces
// and palette, the mode last requested, the shared surface description, the
// 16-bit channel widths, the video-mode settings and the mode list.
#pragma once

#include <windows.h>
#include <ddraw.h>

extern LPDIRECTDRAW7 glpDD;
extern LPDIRECTDRAWSURFACE7 glpDDSPrimary;
extern LPDIRECTDRAWSURFACE7 glpDDSBack;
extern LPDIRECTDRAWPALETTE glpDDPalette;
extern PALETTEENTRY gPaletteEntries[256];

// The mode last requested from SET_VIDEO_MODE (also when it then failed).
extern int gScreenWidth;
extern int gScreenHeight;
extern int gScreenBpp;

// Filled to create the primary surface; the lock exports lock into it.
extern DDSURFACEDESC2 gSurfaceDesc;

// Channel widths of the 16-bit format (5 or 6), probed in 16-bit modes.
extern int gRedBits;
extern int gGreenBits;
extern int gBlueBits;

// Back buffers in the flip chain (0: the primary alone), and 1 to place the
// display surfaces in video memory (0: system memory).
extern DWORD gBackBufferCount;
extern int gUseVideoMemory;

// A display mode found by DDRAW_INIT; the list runs newest first. The text
// is held in the record, so that making one allocates nothing else.
constexpr int kVideoModeTextSize = 40;  // room for three negative 32-bit numbers
struct VideoMode {
  int id;
  char description[kVideoModeTextSize];
  DDSURFACEDESC2 surface_desc;
  VideoMode *next;
};
extern VideoMode *gVideoModes;
extern int gVideoModeCounter;
extern int gNumberOfVideoModes;

// What the pixel exports may touch: the surface locked last, while it is
// locked. Its width counts only pixels of the current depth that fit in a
// row, so a pixel inside it never reaches past the row.
struct LockedSurfaceView {
  BYTE *bits;
  LONG pitch;
  DWORD width;
  DWORD height;
};
extern LockedSurfaceView gLockedView;

// Defaults KORVANE_INIT restores: one back buffer, video memory.
void ResetVideoModeSettings();

// Writes "??? No Surface ???" and gives 1: the refusal of exports called
// without the display surfaces they act on.
int RefuseWithoutSurface();
