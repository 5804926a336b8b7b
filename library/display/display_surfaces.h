// The display surfaces: creating the primary with its flip chain and 8-bit
// palette (probing the 16-bit channel widths on a mode set), releasing them,
// and rebuilding them in the current mode after a critical report.
#pragma once

#include <windows.h>
#include <ddraw.h>

// How surface creation treats a failing step: SET_VIDEO_MODE raises the
// critical report and probes the 16-bit format; a rebuild (which runs
// inside a critical report) stops quietly with 1.
enum class SurfaceCreation { kForModeSet, kRebuild };

// Creates primary, back buffer and palette, and clears both buffers black.
// 0 when every step completed.
int CreateDisplaySurfaces(SurfaceCreation mode);

// A black palette attached to the display surfaces; 0, or 1 after a failed
// step (with the critical report when `critical`).
int CreateDefaultPalette(bool critical);

// Releases palette, back buffer and primary (each if it exists, each set
// null); the three lines, when given, are written in detailed mode after
// each release.
void ReleaseSurfaceSet(const char *paletteLine, const char *backLine, const char *primaryLine);

// Fills a rectangle of a surface (all of it when `rect` is null) with one
// packed colour or palette index, waiting for the blitter.
HRESULT FillSurface(LPDIRECTDRAWSURFACE7 surface, LPRECT rect, DWORD colour);

// Releases palette, back buffer and primary, silently. Result 0.
int ReleaseDisplaySurfaces();

// Recreates primary, back buffer and palette in the current mode; 0 when
// done or when there is no DirectDraw object, 1 at a failing step. Never
// raises a critical report.
int RebuildDisplaySurfaces();
