// Release and rebuild of the display surfaces around critical reports.
#pragma once

// Releases palette, back buffer and primary (each if it exists), silently.
int ReleaseDisplaySurfaces();

// Recreates primary, back buffer and palette in the current mode; 0 when
// done or when there is no DirectDraw object to rebuild with.
int RebuildDisplaySurfaces();
