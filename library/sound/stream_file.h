// The stream reader's side of a RIFF WAVE file: opening it into a stream's
// file and format, finding the data chunk, reading through the file's I/O
// buffer, and closing.
#pragma once

#include "sound/stream_wave.h"

enum class StreamOpen {
  kOpened,   // file and format ready
  kFailed,   // a chunk call failed: the caller reports the file as not found
  kRefused,  // the failure has its own line; the file is closed
};

StreamOpen StreamFile_Open(StreamWave *stream, const char *path);

// Positions the file at the start of the data chunk and sets its size to
// the bytes still to read; false on a closed file or without a data chunk.
bool StreamFile_FindData(StreamWave *stream);

// Reads up to `bytes` of the data left; the count read.
DWORD StreamFile_Read(StreamWave *stream, BYTE *into, DWORD bytes);

// Closes the file and frees the format (either may already be gone).
void StreamFile_Close(StreamWave *stream);
