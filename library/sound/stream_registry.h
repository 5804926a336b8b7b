// The stream-wave registry: long RIFF WAVE files played through a looping
// two-second DirectSound buffer whose halves are refilled from the file.
#pragma once

#include "sound/stream_wave.h"

struct StreamWaveNode {
  StreamWave *lpStream;
  StreamWaveNode *lpNext;
};

extern StreamWaveNode *glpStreamWaveList;

StreamWave *Streamwave_Find(int id);

// DirectSound is going away: every stream stops and releases its buffer;
// the records stay until FREE_STREAMWAVE or STREAM_BUFFER_EXIT.
void Streamwave_ReleaseBuffers();
