// Buffered multimedia file I/O (mmioOpenA, mmioRead, mmioSeek, the buffer
// access of mmioGetInfo / mmioAdvance / mmioSetInfo, mmioClose) and RIFF
// chunk navigation (mmioDescend, mmioAscend), read-only, over kernel files.
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "base/faults.h"

namespace {

// One open multimedia file. With a buffer, `info` holds the buffer window:
// lBufOffset is the file offset of pchBuffer[0], pchEndRead ends the bytes
// read into it, pchNext is the logical position. Without a buffer the
// position is lDiskOffset.
class MmioFile {
 public:
  MmioFile(HANDLE file, LONG bufferBytes) : file_(file), buffer_(static_cast<size_t>(bufferBytes)) {
    std::memset(&info_, 0, sizeof info_);
    if (bufferBytes > 0) {
      info_.dwFlags = MMIO_ALLOCBUF;
      info_.cchBuffer = bufferBytes;
      info_.pchBuffer = info_.pchNext = info_.pchEndRead = buffer_.data();
      info_.pchEndWrite = buffer_.data() + bufferBytes;
    }
  }
  ~MmioFile() { CloseHandle(file_); }

  bool buffered() const { return !buffer_.empty(); }

  LONG Position() const {
    return buffered() ? info_.lBufOffset + static_cast<LONG>(info_.pchNext - info_.pchBuffer) : info_.lDiskOffset;
  }

  LONG Size() const {
    DWORD size = GetFileSize(file_, nullptr);
    return size == INVALID_FILE_SIZE || size > 0x7FFFFFFF ? -1 : static_cast<LONG>(size);
  }

  // The end of what chunk navigation can reach: the file's size, capped at
  // the largest offset a LONG holds; -1 when the size cannot be had.
  long long Reachable() const {
    DWORD high = 0;
    const DWORD low = GetFileSize(file_, &high);
    if (low == INVALID_FILE_SIZE && high == 0) return -1;
    const long long size = (static_cast<long long>(high) << 32) | low;
    return std::min<long long>(size, 0x7FFFFFFF);
  }

  // Reads up to `bytes` at file offset `offset` straight from the file.
  LONG ReadAt(LONG offset, char *into, LONG bytes) {
    if (SetFilePointer(file_, offset, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return -1;
    DWORD got = 0;
    if (!ReadFile(file_, into, static_cast<DWORD>(bytes), &got, nullptr)) return -1;
    return static_cast<LONG>(got);
  }

  // Refills the buffer with the bytes that follow its current content; the
  // new window starts empty at end of file.
  LONG FillNext() {
    const LONG start = info_.lBufOffset + static_cast<LONG>(info_.pchEndRead - info_.pchBuffer);
    info_.lBufOffset = start;
    info_.pchNext = info_.pchEndRead = info_.pchBuffer;
    LONG got = ReadAt(start, info_.pchBuffer, info_.cchBuffer);
    if (got < 0) return -1;
    info_.pchEndRead = info_.pchBuffer + got;
    info_.lDiskOffset = start + got;
    return got;
  }

  LONG Read(char *into, LONG bytes) {
    if (!buffered()) {
      LONG got = ReadAt(info_.lDiskOffset, into, bytes);
      if (got > 0) info_.lDiskOffset += got;
      return got;
    }
    LONG done = 0;
    while (done < bytes) {
      LONG available = static_cast<LONG>(info_.pchEndRead - info_.pchNext);
      if (available == 0) {
        LONG got = FillNext();
        if (got < 0) return done > 0 ? done : -1;
        if (got == 0) break;
        continue;
      }
      LONG step = std::min(available, bytes - done);
      std::memcpy(into + done, info_.pchNext, static_cast<size_t>(step));
      info_.pchNext += step;
      done += step;
    }
    return done;
  }

  LONG Seek(LONG offset, int origin) {
    long long target;
    switch (origin) {
      case SEEK_SET: target = offset; break;
      case SEEK_CUR: target = static_cast<long long>(Position()) + offset; break;
      case SEEK_END: {
        LONG size = Size();
        if (size < 0) return -1;
        target = static_cast<long long>(size) + offset;
        break;
      }
      default: return -1;
    }
    if (target < 0 || target > 0x7FFFFFFF) return -1;
    const LONG position = static_cast<LONG>(target);
    if (!buffered()) {
      info_.lDiskOffset = position;
      return position;
    }
    const LONG held = static_cast<LONG>(info_.pchEndRead - info_.pchBuffer);
    if (position >= info_.lBufOffset && position <= info_.lBufOffset + held) {
      info_.pchNext = info_.pchBuffer + (position - info_.lBufOffset);
    } else {
      info_.lBufOffset = info_.lDiskOffset = position;
      info_.pchNext = info_.pchEndRead = info_.pchBuffer;
    }
    return position;
  }

  // A caller's pchNext is taken only when it points into the bytes read.
  bool AcceptNext(HPSTR next) {
    if (next < info_.pchBuffer || next > info_.pchEndRead) return false;
    info_.pchNext = next;
    return true;
  }

  MMIOINFO &info() { return info_; }

 private:
  HANDLE file_;
  std::vector<char> buffer_;
  MMIOINFO info_;
};

std::mutex gOpenLock;
std::unordered_set<MmioFile *> gOpenFiles;

MmioFile *LookUp(HMMIO handle) {
  std::lock_guard<std::mutex> hold(gOpenLock);
  auto *file = reinterpret_cast<MmioFile *>(handle);
  return gOpenFiles.count(file) != 0 ? file : nullptr;
}

// The checks every call on an open file begins with: a pending fault, a
// live handle and, when the call needs one, its record argument.
MMRESULT Enter(const char *operation, HMMIO handle, bool hasArgument, MmioFile **file) {
  *file = nullptr;
  MMRESULT fault;
  // An injected fault always fails the call, even one injected as 0.
  if (platform::TakeFault(operation, &fault)) return fault != MMSYSERR_NOERROR ? fault : MMSYSERR_ERROR;
  *file = LookUp(handle);
  if (*file == nullptr) return MMSYSERR_INVALHANDLE;
  return hasArgument ? MMSYSERR_NOERROR : MMSYSERR_INVALPARAM;
}

// The next chunk's offset: chunks are word aligned, so an odd-sized chunk is
// followed by a pad byte. 64-bit, so a huge size cannot wrap around.
long long ChunkEnd(const MMCKINFO &chunk) {
  return static_cast<long long>(chunk.dwDataOffset) + ((static_cast<long long>(chunk.cksize) + 1) & ~1LL);
}

MMRESULT OpenError(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND: return MMIOERR_FILENOTFOUND;
    case ERROR_PATH_NOT_FOUND: return MMIOERR_PATHNOTFOUND;
    case ERROR_ACCESS_DENIED: return MMIOERR_ACCESSDENIED;
    case ERROR_TOO_MANY_OPEN_FILES: return MMIOERR_TOOMANYOPENFILES;
    default: return MMIOERR_CANNOTOPEN;
  }
}

HMMIO FailOpen(LPMMIOINFO info, MMRESULT error) {
  if (info != nullptr) info->wErrorRet = error;
  return nullptr;
}

bool IsListChunk(FOURCC id) { return id == FOURCC_RIFF || id == FOURCC_LIST; }

bool ChunkMatches(const MMCKINFO &found, const MMCKINFO &wanted, UINT flags) {
  if (flags & MMIO_FINDCHUNK) return found.ckid == wanted.ckid;
  if (flags & MMIO_FINDRIFF) return found.ckid == FOURCC_RIFF && found.fccType == wanted.fccType;
  if (flags & MMIO_FINDLIST) return found.ckid == FOURCC_LIST && found.fccType == wanted.fccType;
  return true;
}

// Reads the chunk header at `position`: id and size, and the form type of
// RIFF and LIST chunks. False on a truncated header.
bool ReadChunkHeader(MmioFile *file, LONG position, MMCKINFO *chunk) {
  DWORD header[3] = {0, 0, 0};
  if (file->Seek(position, SEEK_SET) < 0) return false;
  if (file->Read(reinterpret_cast<char *>(header), 8) != 8) return false;
  chunk->ckid = header[0];
  chunk->cksize = header[1];
  chunk->fccType = 0;
  chunk->dwDataOffset = static_cast<DWORD>(position) + 8;
  chunk->dwFlags = 0;
  if (IsListChunk(chunk->ckid)) {
    if (file->Read(reinterpret_cast<char *>(&header[2]), 4) != 4) return false;
    chunk->fccType = header[2];
  }
  return true;
}

}  // namespace

extern "C" HMMIO WINAPI mmioOpenA(LPSTR fileName, LPMMIOINFO info, DWORD flags) {
  MMRESULT fault;
  if (platform::TakeFault("mmioOpenA", &fault)) return FailOpen(info, fault);
  if (fileName == nullptr) return FailOpen(info, MMIOERR_FILENOTFOUND);
  // This machine reads multimedia files; writing, creating, deleting and
  // name parsing are not offered.
  if ((flags & MMIO_RWMODE) != MMIO_READ ||
      (flags & (MMIO_CREATE | MMIO_DELETE | MMIO_PARSE | MMIO_EXIST | MMIO_GETTEMP)) != 0) {
    return FailOpen(info, MMIOERR_CANNOTOPEN);
  }
  LONG bufferBytes = 0;
  if (flags & MMIO_ALLOCBUF) {
    bufferBytes = info != nullptr && info->cchBuffer > 0 ? info->cchBuffer : MMIO_DEFAULTBUFFER;
  }
  HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return FailOpen(info, OpenError(GetLastError()));
  // Chunk navigation needs an end: a device or pipe, which can deliver
  // bytes forever, is refused.
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    return FailOpen(info, MMIOERR_CANNOTOPEN);
  }
  auto *opened = new MmioFile(file, bufferBytes);
  {
    std::lock_guard<std::mutex> hold(gOpenLock);
    gOpenFiles.insert(opened);
  }
  auto handle = reinterpret_cast<HMMIO>(opened);
  opened->info().hmmio = handle;
  if (info != nullptr) info->wErrorRet = MMSYSERR_NOERROR;
  return handle;
}

extern "C" MMRESULT WINAPI mmioClose(HMMIO handle, UINT) {
  MMRESULT fault;
  if (platform::TakeFault("mmioClose", &fault)) return fault;
  MmioFile *file;
  {
    std::lock_guard<std::mutex> hold(gOpenLock);
    file = reinterpret_cast<MmioFile *>(handle);
    if (gOpenFiles.erase(file) == 0) return MMSYSERR_INVALHANDLE;
  }
  delete file;
  return MMSYSERR_NOERROR;
}

extern "C" LONG WINAPI mmioRead(HMMIO handle, HPSTR into, LONG bytes) {
  MMRESULT fault;
  if (platform::TakeFault("mmioRead", &fault)) return -1;
  MmioFile *file = LookUp(handle);
  if (file == nullptr || bytes < 0 || (into == nullptr && bytes > 0)) return -1;
  return file->Read(into, bytes);
}

extern "C" LONG WINAPI mmioSeek(HMMIO handle, LONG offset, int origin) {
  MMRESULT fault;
  if (platform::TakeFault("mmioSeek", &fault)) return -1;
  MmioFile *file = LookUp(handle);
  return file == nullptr ? -1 : file->Seek(offset, origin);
}

extern "C" MMRESULT WINAPI mmioGetInfo(HMMIO handle, LPMMIOINFO info, UINT) {
  MmioFile *file;
  if (MMRESULT error = Enter("mmioGetInfo", handle, info != nullptr, &file); error != MMSYSERR_NOERROR) return error;
  *info = file->info();
  return MMSYSERR_NOERROR;
}

extern "C" MMRESULT WINAPI mmioSetInfo(HMMIO handle, LPCMMIOINFO info, UINT) {
  MmioFile *file;
  if (MMRESULT error = Enter("mmioSetInfo", handle, info != nullptr, &file); error != MMSYSERR_NOERROR) return error;
  if (file->buffered() && !file->AcceptNext(info->pchNext)) return MMSYSERR_INVALPARAM;
  return MMSYSERR_NOERROR;
}

extern "C" MMRESULT WINAPI mmioAdvance(HMMIO handle, LPMMIOINFO info, UINT flags) {
  MmioFile *file;
  if (MMRESULT error = Enter("mmioAdvance", handle, true, &file); error != MMSYSERR_NOERROR) return error;
  if (!file->buffered()) return MMIOERR_UNBUFFERED;
  if (flags != MMIO_READ) return MMIOERR_CANNOTWRITE;
  if (info != nullptr && !file->AcceptNext(info->pchNext)) return MMSYSERR_INVALPARAM;
  // At the end of the file the call succeeds with an empty buffer
  // (pchNext == pchEndRead), which is how a reader sees the end.
  if (file->FillNext() < 0) return MMIOERR_CANNOTREAD;
  if (info != nullptr) *info = file->info();
  return MMSYSERR_NOERROR;
}

extern "C" MMRESULT WINAPI mmioDescend(HMMIO handle, LPMMCKINFO chunk, const MMCKINFO *parent, UINT flags) {
  MmioFile *file;
  if (MMRESULT error = Enter("mmioDescend", handle, chunk != nullptr, &file); error != MMSYSERR_NOERROR) return error;
  const LONG start = file->Position();
  // The search stays inside the parent's data and inside the file: each
  // step moves at least one header on, so it ends within the file's size
  // whatever sizes the chunks claim.
  long long end = file->Reachable();
  if (end < 0) return MMIOERR_CHUNKNOTFOUND;
  if (parent != nullptr) {
    end = std::min(end, static_cast<long long>(parent->dwDataOffset) + parent->cksize);
    if (start < static_cast<long long>(parent->dwDataOffset) || start >= end) return MMIOERR_CHUNKNOTFOUND;
  }
  long long position = start;
  while (position + 8 <= end) {
    MMCKINFO found;
    if (!ReadChunkHeader(file, static_cast<LONG>(position), &found)) break;
    if (ChunkMatches(found, *chunk, flags)) {
      *chunk = found;
      return MMSYSERR_NOERROR;
    }
    position = ChunkEnd(found);
  }
  file->Seek(start, SEEK_SET);
  return MMIOERR_CHUNKNOTFOUND;
}

extern "C" MMRESULT WINAPI mmioAscend(HMMIO handle, LPMMCKINFO chunk, UINT) {
  MmioFile *file;
  if (MMRESULT error = Enter("mmioAscend", handle, chunk != nullptr, &file); error != MMSYSERR_NOERROR) return error;
  const long long next = ChunkEnd(*chunk);
  if (next > 0x7FFFFFFF || file->Seek(static_cast<LONG>(next), SEEK_SET) < 0) return MMIOERR_CANNOTSEEK;
  return MMSYSERR_NOERROR;
}
