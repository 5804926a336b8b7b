// STREAM_BUFFER_UPDATE: starts requested streams and refills the half of
// each playing buffer that the play cursor has left, looping the file or
// ending it with silence once the last data has played.
#include <cstring>

#include "korvane.h"
#include "sound/stream_file.h"
#include "sound/stream_registry.h"

namespace {

constexpr DWORD kFirstHalf = 1, kSecondHalf = 0;
constexpr DWORD kStopNow = 0xFFFFFFFF;

// Fills `into` from the file; a looping stream starts the data again as
// often as needed. Returns the bytes filled: less than `bytes` only at the
// end of a non-looping file, or when a looping file yields nothing at all
// in a whole pass (an empty or truncated data chunk), which would otherwise
// wrap forever.
DWORD ReadLooping(StreamWave *stream, BYTE *into, DWORD bytes) {
  DWORD filled = StreamFile_Read(stream, into, bytes);
  while (filled < bytes && stream->nLoop == 1) {
    if (!StreamFile_FindData(stream)) break;
    const DWORD passStart = filled;
    const DWORD more = StreamFile_Read(stream, into + filled, bytes - filled);
    if (more == 0) break;
    filled += more;
    // A read that ends before the half does has taken the whole data chunk:
    // further whole passes are copies of it, made in memory. Reading a
    // short chunk again for every pass would search the file once per
    // pass, a hundred thousand times a half for a chunk of a few bytes.
    // The last, partial pass is read from the file, which leaves it where
    // the sound goes on.
    while (filled < bytes && bytes - filled >= more) {
      std::memcpy(into + filled, into + passStart, more);
      filled += more;
    }
  }
  return filled;
}

// Locks one half (first: 1, second: 0) for writing.
bool LockHalf(StreamWave *stream, DWORD which, BYTE **into, DWORD *bytes) {
  const DWORD half = stream->dsbd.dwBufferBytes / 2;
  LPVOID part1 = nullptr, part2 = nullptr;
  DWORD bytes1 = 0, bytes2 = 0;
  if (FAILED(stream->lpDSBuffer->Lock(which == kFirstHalf ? 0 : half, half, &part1, &bytes1, &part2, &bytes2, 0))) {
    return false;
  }
  *into = static_cast<BYTE *>(part1);
  *bytes = bytes1;
  return true;
}

// The refill request of the half after the last data. The request comes
// while the cursor is still in the half holding the last data: when that
// data has played the stream stops; otherwise this half becomes silence and
// the stream stops at the next request, so the end of the sound is heard.
void EndOfSound(StreamWave *stream, DWORD which, DWORD cursor) {
  if (cursor >= stream->dwEndOffset) {
    stream->lpDSBuffer->Stop();
    stream->dwEndHalf = kNoEndHalf;
    return;
  }
  BYTE *into;
  DWORD bytes;
  if (LockHalf(stream, which, &into, &bytes)) {
    std::memset(into, stream->bSilence, bytes);
    stream->lpDSBuffer->Unlock(into, bytes, nullptr, 0);
  }
  stream->dwEndHalf = which == kFirstHalf ? kSecondHalf : kFirstHalf;
  stream->dwEndOffset = 0;
}

// Refills one half from the file; `cursor` is the play cursor of the request.
void Refill(StreamWave *stream, DWORD which, DWORD cursor) {
  if (stream->dwEndHalf == which) {
    EndOfSound(stream, which, cursor);
    return;
  }
  if (stream->dwEndHalf != kNoEndHalf) return;
  BYTE *into;
  DWORD bytes;
  if (!LockHalf(stream, which, &into, &bytes)) return;
  const DWORD filled = ReadLooping(stream, into, bytes);
  if (filled < bytes) {
    // The end of the sound: the file closes and silence fills the rest.
    StreamFile_Close(stream);
    std::memset(into + filled, stream->bSilence, bytes - filled);
    stream->dwEndHalf = which == kFirstHalf ? kSecondHalf : kFirstHalf;
    stream->dwEndOffset = (which == kFirstHalf ? 0 : stream->dsbd.dwBufferBytes / 2) + filled;
  }
  stream->lpDSBuffer->Unlock(into, bytes, nullptr, 0);
}

void Pump(StreamWave *stream) {
  DWORD cursor = 0;
  if (FAILED(stream->lpDSBuffer->GetCurrentPosition(&cursor, nullptr))) return;
  const DWORD size = stream->dsbd.dwBufferBytes;
  if (cursor > size / 4 && cursor < size / 2 && stream->bSecondHalfWritten == 0) {
    Refill(stream, kSecondHalf, cursor);
    stream->bSecondHalfWritten = 1;
  }
  if (cursor > size / 2 + size / 4 && stream->bSecondHalfWritten == 1) {
    Refill(stream, kFirstHalf, cursor);
    stream->bSecondHalfWritten = 0;
  }
}

}  // namespace

extern "C" void STREAM_BUFFER_UPDATE(void) {
  for (StreamWaveNode *node = glpStreamWaveList; node != nullptr; node = node->lpNext) {
    StreamWave *stream = node->lpStream;
    if (stream->lpDSBuffer == nullptr) continue;
    if (stream->bPlayRequest == 1) {
      stream->bPlayRequest = 0;
      stream->bActive = 1;
      if (stream->bPrimed) {
        // A resumed stream goes on in the data its buffer already holds;
        // refilling the first half here would skip what the file had
        // already delivered to the second.
        stream->lpDSBuffer->Play(0, 0, DSBPLAY_LOOPING);
      } else {
        stream->bSecondHalfWritten = 1;
        // A start is no time to wait for an end: a pending end stops at once.
        Refill(stream, kFirstHalf, kStopNow);
        stream->lpDSBuffer->Play(0, 0, DSBPLAY_LOOPING);
        stream->bSecondHalfWritten = 0;
        stream->bPrimed = 1;
      }
    }
    if (stream->bActive == 1) Pump(stream);
  }
}
