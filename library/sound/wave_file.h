// Sound effects from RIFF WAVE files: a static DirectSound buffer made from a
// file's PCM format and filled with its data chunk, in hardware or software.
#pragma once

#include "sound/sound_device.h"

// Reads the file at `path` into a new buffer (placement 1: hardware first,
// 0: software); null after the failure's report lines.
LPDIRECTSOUNDBUFFER ReadWaveIntoBuffer(const char *path, int placement);
