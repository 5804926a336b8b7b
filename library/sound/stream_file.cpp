// Opening, seeking and reading stream waves: the RIFF walk to "fmt " and
// "data", the format with its extra bytes, and data read straight from the
// multimedia file's I/O buffer.
#include "sound/stream_file.h"

#include <cstdint>
#include <cstring>

#include "core/report.h"

namespace {

constexpr DWORD kPcmFormatBytes = 16;
constexpr WORD kExtensibleTag = 0xFFFE;

// The buffer is sized from the byte rate, so a PCM format (plain or
// extensible) must be what its channels, rate and sample size make: one
// block is a sample of every channel, the byte rate a second of blocks.
// A file that claims otherwise is corrupt, whatever size it asks for.
bool ConsistentPcm(const WAVEFORMATEX &format) {
  if (format.wFormatTag != WAVE_FORMAT_PCM && format.wFormatTag != kExtensibleTag) return true;
  const DWORD block = static_cast<DWORD>(format.nChannels) * ((format.wBitsPerSample + 7u) / 8u);
  return block != 0 && format.nBlockAlign == block &&
         static_cast<uint64_t>(format.nAvgBytesPerSec) == static_cast<uint64_t>(format.nSamplesPerSec) * block;
}

// The format chunk (the file stands at its data) into a new format block.
StreamOpen ReadFormat(StreamWave *stream, const MMCKINFO &chunk) {
  if (chunk.cksize < kPcmFormatBytes) {
    ReportLine(" !!! Stream: Not a wave file !!!");
    return StreamOpen::kRefused;
  }
  WAVEFORMATEX pcm;
  std::memset(&pcm, 0, sizeof pcm);
  if (mmioRead(stream->hmmio, reinterpret_cast<HPSTR>(&pcm), kPcmFormatBytes) != static_cast<LONG>(kPcmFormatBytes)) {
    ReportLine(" !!! Stream: Cannot read 'fmt' chunk !!!");
    return StreamOpen::kRefused;
  }
  if (!ConsistentPcm(pcm)) {
    ReportLine(" !!! Stream: Corrupt wave file !!!");
    return StreamOpen::kRefused;
  }
  WORD extra = 0;
  if (pcm.wFormatTag != WAVE_FORMAT_PCM &&
      mmioRead(stream->hmmio, reinterpret_cast<HPSTR>(&extra), sizeof extra) != static_cast<LONG>(sizeof extra)) {
    ReportLine(" !!! Stream: Cannot read length of extra bytes !!!");
    return StreamOpen::kRefused;
  }
  auto *format = static_cast<WAVEFORMATEX *>(GlobalAlloc(GMEM_FIXED, sizeof(WAVEFORMATEX) + extra));
  if (format == nullptr) {
    ReportLine(" !!! Stream: Cannot allocate memory for wave !!!");
    return StreamOpen::kRefused;
  }
  std::memcpy(format, &pcm, kPcmFormatBytes);
  format->cbSize = extra;
  stream->lpwfxFormat = format;
  if (extra > 0 && mmioRead(stream->hmmio, reinterpret_cast<HPSTR>(format + 1), extra) != extra) {
    ReportLine(" !!! Stream: Not a wave file !!!");
    return StreamOpen::kRefused;
  }
  stream->bSilence = format->wBitsPerSample == 8 ? 128 : 0;
  return StreamOpen::kOpened;
}

StreamOpen WalkToFormat(StreamWave *stream) {
  if (mmioDescend(stream->hmmio, &stream->ckRiff, nullptr, 0) != MMSYSERR_NOERROR) return StreamOpen::kFailed;
  if (stream->ckRiff.ckid != FOURCC_RIFF || stream->ckRiff.fccType != mmioFOURCC('W', 'A', 'V', 'E')) {
    ReportLine(" !!! Stream: Not a wave file !!!");
    return StreamOpen::kRefused;
  }
  MMCKINFO chunk;
  std::memset(&chunk, 0, sizeof chunk);
  chunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
  if (mmioDescend(stream->hmmio, &chunk, &stream->ckRiff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) {
    return StreamOpen::kFailed;
  }
  StreamOpen read = ReadFormat(stream, chunk);
  if (read != StreamOpen::kOpened) return read;
  return mmioAscend(stream->hmmio, &chunk, 0) == MMSYSERR_NOERROR ? StreamOpen::kOpened : StreamOpen::kFailed;
}

}  // namespace

StreamOpen StreamFile_Open(StreamWave *stream, const char *path) {
  stream->hmmio = nullptr;
  stream->lpwfxFormat = nullptr;
  std::memset(&stream->ckRiff, 0, sizeof stream->ckRiff);
  if (path != nullptr) stream->hmmio = mmioOpenA(const_cast<LPSTR>(path), nullptr, MMIO_ALLOCBUF | MMIO_READ);
  if (stream->hmmio == nullptr) {
    ReportLine(" !!! Cannot open wave to stream !!!");
    return StreamOpen::kRefused;
  }
  StreamOpen result = WalkToFormat(stream);
  if (result != StreamOpen::kOpened) StreamFile_Close(stream);
  return result;
}

bool StreamFile_FindData(StreamWave *stream) {
  if (stream->hmmio == nullptr) return false;
  if (mmioSeek(stream->hmmio, static_cast<LONG>(stream->ckRiff.dwDataOffset + 4), SEEK_SET) == -1) return false;
  std::memset(&stream->ckData, 0, sizeof stream->ckData);
  stream->ckData.ckid = mmioFOURCC('d', 'a', 't', 'a');
  return mmioDescend(stream->hmmio, &stream->ckData, &stream->ckRiff, MMIO_FINDCHUNK) == MMSYSERR_NOERROR;
}

DWORD StreamFile_Read(StreamWave *stream, BYTE *into, DWORD bytes) {
  if (bytes > stream->ckData.cksize) bytes = stream->ckData.cksize;
  stream->ckData.cksize -= bytes;
  MMIOINFO info;
  if (stream->hmmio == nullptr || mmioGetInfo(stream->hmmio, &info, 0) != MMSYSERR_NOERROR) return 0;
  DWORD done = 0;
  while (done < bytes) {
    if (info.pchNext == info.pchEndRead) {
      if (mmioAdvance(stream->hmmio, &info, MMIO_READ) != MMSYSERR_NOERROR || info.pchNext == info.pchEndRead) {
        ReportLine(" !!! Stream: Corrupt wave file !!!");
        bytes = 0;
        break;
      }
    }
    DWORD step = static_cast<DWORD>(info.pchEndRead - info.pchNext);
    if (step > bytes - done) step = bytes - done;
    std::memcpy(into + done, info.pchNext, step);
    info.pchNext += step;
    done += step;
  }
  mmioSetInfo(stream->hmmio, &info, 0);
  return bytes;
}

void StreamFile_Close(StreamWave *stream) {
  if (stream->hmmio != nullptr) mmioClose(stream->hmmio, 0);
  stream->hmmio = nullptr;
  if (stream->lpwfxFormat != nullptr) GlobalFree(stream->lpwfxFormat);
  stream->lpwfxFormat = nullptr;
  stream->dsbd.lpwfxFormat = nullptr;
}
