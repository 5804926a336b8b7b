// Storage of the display's module state.
#include "display/display_state.h"

LPDIRECTDRAW7 glpDD = nullptr;
LPDIRECTDRAWSURFACE7 glpDDSPrimary = nullptr;
LPDIRECTDRAWSURFACE7 glpDDSBack = nullptr;
LPDIRECTDRAWPALETTE glpDDPalette = nullptr;

int gBackBufferCount = 1;
int gUseVideoMemory = 1;

void ResetVideoModeSettings() {
  gBackBufferCount = 1;
  gUseVideoMemory = 1;
}
