// Files: CreateFileA, ReadFile, WriteFile, SetFilePointer, SetEndOfFile,
// GetFileSize, GetFileType and DeleteFileA over POSIX descriptors, with Win32
// results and last errors.
#include <windows.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/faults.h"
#include "kernel/handles.h"

namespace {

class FileObject : public platform::KernelObject {
 public:
  FileObject(int descriptor, bool readable, bool writable)
      : descriptor_(descriptor), readable_(readable), writable_(writable) {}
  ~FileObject() override { close(descriptor_); }
  int descriptor() const { return descriptor_; }
  bool readable() const { return readable_; }
  bool writable() const { return writable_; }

 private:
  int descriptor_;
  bool readable_;
  bool writable_;
};

DWORD Win32ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_FILE_EXISTS;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENOSPC: return ERROR_DISK_FULL;
    case ENAMETOOLONG: return ERROR_INVALID_NAME;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_INVALID_FUNCTION;
  }
}


BOOL FailWithErrno() {
  SetLastError(Win32ErrorFromErrno(errno));
  return FALSE;
}

bool FileExists(const char *name) {
  struct stat info;
  return stat(name, &info) == 0;
}

}  // namespace

extern "C" HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                                     LPSECURITY_ATTRIBUTES, DWORD creationDisposition,
                                     DWORD flagsAndAttributes, HANDLE) {
  if (platform::TakeWin32Fault("CreateFileA")) return INVALID_HANDLE_VALUE;
  if (fileName == nullptr || fileName[0] == '\0') {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  const bool readable = (desiredAccess & GENERIC_READ) != 0;
  const bool writable = (desiredAccess & GENERIC_WRITE) != 0;
  int flags = readable && writable ? O_RDWR : (writable ? O_WRONLY : O_RDONLY);
  const bool existed = FileExists(fileName);
  switch (creationDisposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING:
      if (!writable) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
      }
      flags |= O_TRUNC;
      break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return INVALID_HANDLE_VALUE;
  }
  const mode_t mode = (flagsAndAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
  // Opened without blocking, so that a named pipe with no writer cannot
  // hold the caller inside the open; transfers block again as usual.
  int descriptor = open(fileName, flags | O_CLOEXEC | O_NONBLOCK, mode);
  if (descriptor < 0) {
    FailWithErrno();
    return INVALID_HANDLE_VALUE;
  }
  struct stat info;
  if (fstat(descriptor, &info) == 0 && S_ISDIR(info.st_mode)) {
    close(descriptor);
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  const int statusFlags = fcntl(descriptor, F_GETFL);
  if (statusFlags != -1) fcntl(descriptor, F_SETFL, statusFlags & ~O_NONBLOCK);
  // Opening over an existing file succeeds but says so, as Windows does.
  const bool reportsExisting =
      existed && (creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS);
  SetLastError(reportsExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return platform::RegisterHandle(new FileObject(descriptor, readable, writable));
}

namespace {

// The checks ReadFile and WriteFile share: a pending fault, a live file
// handle opened with the needed access, a buffer for a non-empty transfer.
// The file is shared for the call, so a CloseHandle on another thread
// cannot close its descriptor (which a new file may then reuse) mid-transfer.
std::shared_ptr<FileObject> TransferTarget(const char *operation, HANDLE file, const void *buffer, DWORD bytes,
                                           bool writing) {
  if (platform::TakeWin32Fault(operation)) return nullptr;
  std::shared_ptr<FileObject> object = platform::Share<FileObject>(file);
  if (object == nullptr) return nullptr;
  if (writing ? !object->writable() : !object->readable()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  if (buffer == nullptr && bytes > 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return object;
}

// Repeats a POSIX read or write until `bytes` moved, the end of the file
// (a read of 0), or an error; `done` always holds what moved.
template <typename Step>
BOOL TransferAll(DWORD bytes, LPDWORD done, Step step) {
  DWORD total = 0;
  BOOL ok = TRUE;
  while (total < bytes) {
    ssize_t moved = step(total);
    if (moved < 0 && errno == EINTR) continue;
    if (moved < 0) {
      ok = FailWithErrno();
      break;
    }
    if (moved == 0) break;
    total += static_cast<DWORD>(moved);
  }
  if (done != nullptr) *done = total;
  return ok;
}

}  // namespace

extern "C" BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
                                LPOVERLAPPED) {
  if (bytesRead != nullptr) *bytesRead = 0;
  const std::shared_ptr<FileObject> object = TransferTarget("ReadFile", file, buffer, bytesToRead, false);
  if (object == nullptr) return FALSE;
  auto *bytes = static_cast<char *>(buffer);
  return TransferAll(bytesToRead, bytesRead, [&](DWORD done) {
    return read(object->descriptor(), bytes + done, bytesToRead - done);
  });
}

extern "C" BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite,
                                 LPDWORD bytesWritten, LPOVERLAPPED) {
  if (bytesWritten != nullptr) *bytesWritten = 0;
  const std::shared_ptr<FileObject> object = TransferTarget("WriteFile", file, buffer, bytesToWrite, true);
  if (object == nullptr) return FALSE;
  const auto *bytes = static_cast<const char *>(buffer);
  return TransferAll(bytesToWrite, bytesWritten, [&](DWORD done) {
    return write(object->descriptor(), bytes + done, bytesToWrite - done);
  });
}

extern "C" DWORD WINAPI SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh,
                                       DWORD moveMethod) {
  if (platform::TakeWin32Fault("SetFilePointer")) return INVALID_SET_FILE_POINTER;
  const std::shared_ptr<FileObject> object = platform::Share<FileObject>(file);
  if (object == nullptr) return INVALID_SET_FILE_POINTER;
  int whence = moveMethod == FILE_BEGIN ? SEEK_SET : moveMethod == FILE_CURRENT ? SEEK_CUR
             : moveMethod == FILE_END   ? SEEK_END : -1;
  if (whence < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  // Without a high part the distance is a signed 32-bit offset.
  off_t offset = distanceHigh != nullptr
                     ? static_cast<off_t>((static_cast<uint64_t>(static_cast<DWORD>(*distanceHigh)) << 32) |
                                          static_cast<DWORD>(distance))
                     : static_cast<off_t>(distance);
  off_t position = lseek(object->descriptor(), offset, whence);
  if (position < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  if (distanceHigh != nullptr) *distanceHigh = static_cast<LONG>(static_cast<uint64_t>(position) >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(position);
}

extern "C" BOOL WINAPI SetEndOfFile(HANDLE file) {
  if (platform::TakeWin32Fault("SetEndOfFile")) return FALSE;
  const std::shared_ptr<FileObject> object = platform::Share<FileObject>(file);
  if (object == nullptr) return FALSE;
  if (!object->writable()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  off_t position = lseek(object->descriptor(), 0, SEEK_CUR);
  if (position < 0 || ftruncate(object->descriptor(), position) != 0) return FailWithErrno();
  return TRUE;
}

extern "C" DWORD WINAPI GetFileSize(HANDLE file, LPDWORD fileSizeHigh) {
  const std::shared_ptr<FileObject> object = platform::Share<FileObject>(file);
  struct stat info;
  if (object == nullptr || fstat(object->descriptor(), &info) != 0) return INVALID_FILE_SIZE;
  const auto size = static_cast<uint64_t>(info.st_size);
  if (fileSizeHigh != nullptr) *fileSizeHigh = static_cast<DWORD>(size >> 32);
  return static_cast<DWORD>(size);
}

// What kind of file a handle reads: a disk file has a size and an end; a
// character device or a pipe may deliver bytes without end.
extern "C" DWORD WINAPI GetFileType(HANDLE file) {
  auto *object = platform::LookUp<FileObject>(file);
  struct stat info;
  if (object == nullptr || fstat(object->descriptor(), &info) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FILE_TYPE_UNKNOWN;
  }
  SetLastError(ERROR_SUCCESS);
  if (S_ISREG(info.st_mode)) return FILE_TYPE_DISK;
  if (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode)) return FILE_TYPE_PIPE;
  if (S_ISCHR(info.st_mode)) return FILE_TYPE_CHAR;
  return FILE_TYPE_UNKNOWN;
}

extern "C" BOOL WINAPI DeleteFileA(LPCSTR fileName) {
  if (platform::TakeWin32Fault("DeleteFileA")) return FALSE;
  if (fileName == nullptr) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  struct stat info;
  if (stat(fileName, &info) == 0 && S_ISDIR(info.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (unlink(fileName) != 0) return FailWithErrno();
  return TRUE;
}
