// MIDI files through the MCI "sequencer" device: one file open at a time,
// played from the start with a notification to the host window at its end.
#pragma once

#include <windows.h>
#include <mmsystem.h>

// The open sequencer (0 when none) and whether the library last started it
// playing and has not yet seen it stopped.
extern MCIDEVICEID gMIDIDeviceID;
extern int gMIDIPlaying;
