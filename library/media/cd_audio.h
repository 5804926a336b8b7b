// CD audio through the MCI "cdaudio" device: one drive, positions in
// tracks-minutes-seconds-frames throughout.
#pragma once

#include <windows.h>
#include <mmsystem.h>

// The open CD device (0 when none) and the track count read when it opened.
extern MCIDEVICEID gCDDeviceID;
extern int gCDNumberOfTracks;
