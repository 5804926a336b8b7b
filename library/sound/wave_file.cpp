// The sound-effect reader: the RIFF WAVE walk through the multimedia file
// functions (WAVE form, "fmt " chunk, "data" chunk), the buffer creation with
// its hardware-to-software fallback, and the fill.
#include "sound/wave_file.h"

#include <cstring>

#include "core/error_names.h"
#include "core/report.h"

namespace {

constexpr DWORD kHardwareFlags =
    DSBCAPS_STATIC | DSBCAPS_LOCHARDWARE | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;
constexpr DWORD kSoftwareFlags =
    DSBCAPS_STATIC | DSBCAPS_LOCSOFTWARE | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;

// The lines a failed read reports once the file is closed (at most two).
struct ReadFailure {
  const char *first = nullptr;
  const char *second = nullptr;
};

HRESULT TryCreate(DWORD flags, DWORD bytes, WAVEFORMATEX *format, LPDIRECTSOUNDBUFFER *buffer) {
  DSBUFFERDESC description;
  std::memset(&description, 0, sizeof description);
  description.dwSize = sizeof(DSBUFFERDESC);
  description.dwFlags = flags;
  description.dwBufferBytes = bytes;
  description.lpwfxFormat = format;
  *buffer = nullptr;
  HRESULT result = glpDS->CreateSoundBuffer(&description, buffer, nullptr);
  if (FAILED(result)) *buffer = nullptr;
  return result;
}

LPDIRECTSOUNDBUFFER CreateEffectBuffer(DWORD bytes, WAVEFORMATEX *format, int placement) {
  if (glpDS == nullptr) {
    ReportLine(" !!!DirectSound hasn't been initialized to be able to create buffer!!!");
    return nullptr;
  }
  LPDIRECTSOUNDBUFFER buffer;
  if (placement != 0) {
    HRESULT result = TryCreate(kHardwareFlags, bytes, format, &buffer);
    if (SUCCEEDED(result)) {
      ReportDetail(" Local Hardware Sound Buffer Created.");
      return buffer;
    }
    ReportLine(" !!! Couldn't create Hardware sound buffer !!!");
    ReportLine("%s", DSErrorName(result));
    result = TryCreate(kSoftwareFlags, bytes, format, &buffer);
    if (SUCCEEDED(result)) {
      ReportDetail(" ---> then Local Software Sound Buffer Created Instead.");
      return buffer;
    }
    ReportLine(" !!! Couldn't create it as a local software sound buffer either !!!");
    ReportLine("%s", DSErrorName(result));
    return nullptr;
  }
  HRESULT result = TryCreate(kSoftwareFlags, bytes, format, &buffer);
  if (SUCCEEDED(result)) {
    ReportDetail(" Local Software Sound Buffer Created.");
    return buffer;
  }
  ReportLine(" !!! Couldn't create Software sound buffer !!!");
  ReportLine("%s", DSErrorName(result));
  return nullptr;
}

// Reads exactly `bytes` bytes; a short read is a failure.
bool ReadExactly(HMMIO file, void *into, DWORD bytes) {
  if (bytes == 0) return true;
  return mmioRead(file, static_cast<HPSTR>(into), static_cast<LONG>(bytes)) == static_cast<LONG>(bytes);
}

// Copies the data chunk (the file stands at its start) into the buffer.
ReadFailure FillBuffer(HMMIO file, LPDIRECTSOUNDBUFFER buffer, DWORD bytes) {
  ReadFailure failure;
  LPVOID part1 = nullptr, part2 = nullptr;
  DWORD bytes1 = 0, bytes2 = 0;
  if (FAILED(buffer->Lock(0, bytes, &part1, &bytes1, &part2, &bytes2, 0))) {
    failure.first = " !!! IDirectSoundBuffer_Lock failed!!!";
    failure.second = " !!! SoundBuffer Write Error !!!";
    return failure;
  }
  const bool read = ReadExactly(file, part1, bytes1) && (part2 == nullptr || ReadExactly(file, part2, bytes2));
  if (FAILED(buffer->Unlock(part1, bytes1, part2, bytes2))) {
    failure.first = " !!!IDirectSoundBuffer Unlock failed!!!";
    failure.second = " !!! SoundBuffer Write Error !!!";
  } else if (!read) {
    failure.first = " !!! SoundBuffer Write Error !!!";
  }
  return failure;
}

// Steps after the open: the chunk walk, the buffer and its fill.
LPDIRECTSOUNDBUFFER ReadOpenWave(HMMIO file, int placement, ReadFailure *failure) {
  MMCKINFO parent;
  std::memset(&parent, 0, sizeof parent);
  parent.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  if (mmioDescend(file, &parent, nullptr, MMIO_FINDRIFF) != MMSYSERR_NOERROR) {
    failure->first = " !!! DS mmioDescend &parent failed !!!";
    return nullptr;
  }
  MMCKINFO child;
  std::memset(&child, 0, sizeof child);
  child.ckid = mmioFOURCC('f', 'm', 't', ' ');
  if (mmioDescend(file, &child, &parent, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) {
    failure->first = " !!! DS mmioDescend &child failed !!!";
    return nullptr;
  }
  // The whole 18-byte record is read; after a 16-byte PCM chunk its cbSize
  // holds the next chunk's first bytes, which PCM has no use for.
  WAVEFORMATEX format;
  if (!ReadExactly(file, &format, sizeof format)) {
    failure->first = " !!! DS mmioRead failed !!!";
    return nullptr;
  }
  if (format.wFormatTag != WAVE_FORMAT_PCM) {
    failure->first = " !!! != WAVE_FORMAT_PCM !!!";
    return nullptr;
  }
  format.cbSize = 0;
  if (mmioAscend(file, &child, 0) != MMSYSERR_NOERROR) {
    failure->first = " !!! DS mmioAscend failed !!!";
    return nullptr;
  }
  child.ckid = mmioFOURCC('d', 'a', 't', 'a');
  if (mmioDescend(file, &child, &parent, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) {
    failure->first = " !!! DS d,a,t,a failed !!!";
    return nullptr;
  }
  LPDIRECTSOUNDBUFFER buffer = CreateEffectBuffer(child.cksize, &format, placement);
  if (buffer == nullptr) {
    failure->first = " !!! Creating sound buffer failed !!!";
    return nullptr;
  }
  *failure = FillBuffer(file, buffer, child.cksize);
  if (failure->first != nullptr) {
    buffer->Release();
    return nullptr;
  }
  return buffer;
}

}  // namespace

LPDIRECTSOUNDBUFFER ReadWaveIntoBuffer(const char *path, int placement) {
  HMMIO file = path != nullptr ? mmioOpenA(const_cast<LPSTR>(path), nullptr, MMIO_ALLOCBUF | MMIO_READ) : nullptr;
  if (file == nullptr) {
    ReportLine(" !!! Cannot open %s", path != nullptr ? path : "(null)");
    return nullptr;
  }
  ReportDetail("--- %s opened for reading into %s memory ---", path, placement == 1 ? "hardware" : "software");
  ReadFailure failure;
  LPDIRECTSOUNDBUFFER buffer = ReadOpenWave(file, placement, &failure);
  mmioClose(file, 0);
  if (failure.first != nullptr) ReportLine("%s", failure.first);
  if (failure.second != nullptr) ReportLine("%s", failure.second);
  return buffer;
}
