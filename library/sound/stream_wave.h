// One stream wave's record: the file it reads from, the looping two-second
// DirectSound buffer it plays through, and where the refills have got to.
// The registry keeps the records; the file reader fills their file part.
#pragma once

#include "sound/sound_device.h"

// End half: none, or the half whose refill request stops the stream.
constexpr DWORD kNoEndHalf = 0xFFFF;

struct StreamWave {
  DSBUFFERDESC dsbd;               // the buffer's description
  LPDIRECTSOUNDBUFFER lpDSBuffer;  // the looping buffer
  WAVEFORMATEX *lpwfxFormat;       // the file's format and extra bytes (GlobalAlloc)
  HMMIO hmmio;                     // open while data remains to be read
  MMCKINFO ckData;                 // the "data" chunk; cksize counts down
  MMCKINFO ckRiff;                 // the RIFF "WAVE" form
  int nLoop;                       // 1 when the stream loops the file
  char *CurrentName;               // the library's copy of the path
  int bPlayRequest;                // the next update starts the stream
  int nId;                         // the host's id
  int bActive;                     // the update watches the play cursor
  int bSecondHalfWritten;          // the second half holds fresh data
  DWORD dwEndHalf;                 // kNoEndHalf, 1 (first half) or 0 (second)
  DWORD dwEndOffset;               // where the last data ends in the buffer
  int bPrimed;                     // the buffer holds this pass's data
  BYTE bSilence;                   // silence byte of the format (128 for 8-bit)
};
