// SETUP_STREAM_BUFFER and the controls of a stream wave (play, resume,
// stop, volume), FREE_STREAMWAVE and STREAM_BUFFER_EXIT, over the linked
// list of stream waves.
#include "sound/stream_registry.h"

#include <cstring>

#include "core/report.h"
#include "korvane.h"
#include "sound/sound_memory.h"
#include "sound/stream_file.h"

StreamWaveNode *glpStreamWaveList = nullptr;

namespace {

constexpr DWORD kStreamFlags = DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_CTRLVOLUME | DSBCAPS_LOCSOFTWARE | DSBCAPS_STATIC;

// The registered stream, or null after the not-found line.
StreamWave *FindOrReport(int id) {
  StreamWave *stream = Streamwave_Find(id);
  if (stream == nullptr) ReportLine(" !!! Stream wave id '%d' not found !!!", id);
  return stream;
}

// Opens the file and finds its data, with the lines of each failure.
bool OpenForPlaying(StreamWave *stream, const char *path) {
  if (StreamFile_Open(stream, path) == StreamOpen::kFailed) {
    ReportLine(" !!! Stream: File not found !!!");
    return false;
  }
  if (!StreamFile_FindData(stream)) {
    StreamFile_Close(stream);
    ReportLine(" !!! Stream: Can not read wave file !!!");
    return false;
  }
  return true;
}

// Two seconds of the file's sound, played looping.
bool CreateStreamBuffer(StreamWave *stream) {
  std::memset(&stream->dsbd, 0, sizeof stream->dsbd);
  stream->dsbd.dwSize = sizeof(DSBUFFERDESC);
  stream->dsbd.dwFlags = kStreamFlags;
  stream->dsbd.dwBufferBytes = 2 * stream->lpwfxFormat->nAvgBytesPerSec;
  stream->dsbd.lpwfxFormat = stream->lpwfxFormat;
  stream->lpDSBuffer = nullptr;
  if (FAILED(glpDS->CreateSoundBuffer(&stream->dsbd, &stream->lpDSBuffer, nullptr))) {
    stream->lpDSBuffer = nullptr;
    return false;
  }
  return true;
}

void DestroyStream(StreamWave *stream) {
  StreamFile_Close(stream);
  if (stream->lpDSBuffer != nullptr) stream->lpDSBuffer->Release();
  SoundFree(stream->CurrentName);
  SoundFree(stream);
}

}  // namespace

StreamWave *Streamwave_Find(int id) {
  for (StreamWaveNode *node = glpStreamWaveList; node != nullptr; node = node->lpNext) {
    if (node->lpStream->nId == id) return node->lpStream;
  }
  return nullptr;
}

void Streamwave_ReleaseBuffers() {
  for (StreamWaveNode *node = glpStreamWaveList; node != nullptr; node = node->lpNext) {
    StreamWave *stream = node->lpStream;
    if (stream->lpDSBuffer != nullptr) {
      stream->lpDSBuffer->Stop();
      stream->lpDSBuffer->Release();
    }
    stream->lpDSBuffer = nullptr;
    stream->bActive = 0;
    stream->bPlayRequest = 0;
  }
}

extern "C" int SETUP_STREAM_BUFFER(const char *path, int id, int loop) {
  if (glpDS == nullptr) {
    ReportLine(" !!!DirectSound hasn't been initialized to use a streamming wave!!!");
    return 1;
  }
  if (Streamwave_Find(id) != nullptr) {
    ReportLine(" !!! Stream wave id '%d' has already been assigned to a stream wave !!!", id);
    return 1;
  }
  auto *stream = static_cast<StreamWave *>(SoundAlloc(sizeof(StreamWave)));
  if (stream == nullptr) {
    ReportLine(" No memory left for loading Streamwave");
    return 1;
  }
  stream->nLoop = loop > 0 ? 1 : 0;
  if (!OpenForPlaying(stream, path)) {
    DestroyStream(stream);
    return 1;
  }
  if (!CreateStreamBuffer(stream)) {
    DestroyStream(stream);
    ReportLine(" !!! Stream: Could not create sound buffer");
    return 1;
  }
  stream->lpDSBuffer->SetCurrentPosition(0);
  stream->nId = id;
  stream->CurrentName = SoundCopyText(path);
  stream->bPlayRequest = 0;
  stream->bActive = 0;
  stream->bSecondHalfWritten = 0;
  stream->dwEndHalf = kNoEndHalf;
  auto *node = static_cast<StreamWaveNode *>(SoundAlloc(sizeof(StreamWaveNode)));
  if (node == nullptr || stream->CurrentName == nullptr) {
    SoundFree(node);
    DestroyStream(stream);
    ReportLine(" Out of Memory to store stream wave into linked list.");
    return 1;
  }
  node->lpStream = stream;
  node->lpNext = glpStreamWaveList;
  glpStreamWaveList = node;
  ReportDetail("Setup Stream ID %d Successfully Created", id);
  return 0;
}

extern "C" void STREAM_BUFFER_PLAY(int id) {
  StreamWave *stream = FindOrReport(id);
  if (stream == nullptr) return;
  if (stream->lpDSBuffer != nullptr) stream->lpDSBuffer->Stop();
  StreamFile_Close(stream);
  // A file that cannot be read again is not started.
  if (!OpenForPlaying(stream, stream->CurrentName) || stream->lpDSBuffer == nullptr) return;
  stream->dsbd.lpwfxFormat = stream->lpwfxFormat;
  stream->lpDSBuffer->SetCurrentPosition(0);
  stream->dwEndHalf = kNoEndHalf;
  stream->bPrimed = 0;
  stream->bPlayRequest = 1;
}

extern "C" void STREAM_BUFFER_RESUME(int id) {
  StreamWave *stream = FindOrReport(id);
  if (stream != nullptr && stream->bActive == 0 && stream->lpDSBuffer != nullptr) stream->bPlayRequest = 1;
}

extern "C" void STREAM_BUFFER_STOP(int id) {
  StreamWave *stream = FindOrReport(id);
  if (stream == nullptr) return;
  if (stream->lpDSBuffer != nullptr) stream->lpDSBuffer->Stop();
  stream->bActive = 0;
}

extern "C" void STREAM_BUFFER_VOLUME(int id, int volume) {
  StreamWave *stream = FindOrReport(id);
  if (stream == nullptr || stream->lpDSBuffer == nullptr) return;
  if (FAILED(stream->lpDSBuffer->SetVolume(volume))) ReportLine(" Stream: Failed SetVolume");
}

extern "C" void FREE_STREAMWAVE(int id) {
  ReportDetail("   --- Attempting to free stream wave id %d ---", id);
  StreamWaveNode **link = &glpStreamWaveList;
  while (*link != nullptr && (*link)->lpStream->nId != id) link = &(*link)->lpNext;
  StreamWaveNode *node = *link;
  if (node == nullptr) return;
  *link = node->lpNext;
  StreamWave *stream = node->lpStream;
  SoundFree(node);
  SoundFree(stream->CurrentName);
  stream->CurrentName = nullptr;
  ReportDetail(" Stream Wave id %d : CurrentName freed ", id);
  DestroyStream(stream);
  ReportDetail("   --- Stream Wave freed ---");
}

extern "C" void STREAM_BUFFER_EXIT(void) {
  ReportDetail(" +++ Streamwave_FreeAll begin +++");
  while (glpStreamWaveList != nullptr) {
    const int id = glpStreamWaveList->lpStream->nId;
    ReportDetail(" --> Stream Wave ID %d", id);
    FREE_STREAMWAVE(id);
  }
  ReportDetail(" +++ Streamwave_FreeAll end +++");
}
