// Kernel objects behind HANDLE values. A handle is the object's address; the
// table only answers whether an address is a live object, so that a stale or
// forged handle is refused with ERROR_INVALID_HANDLE instead of followed.
#pragma once

#include <windows.h>

namespace platform {

class KernelObject {
 public:
  virtual ~KernelObject() = default;
};

HANDLE RegisterHandle(KernelObject *object);

// The live object of the handle if it is of type T, otherwise null (and
// ERROR_INVALID_HANDLE as the last error).
KernelObject *LookUpHandle(HANDLE handle);
template <typename T>
T *LookUp(HANDLE handle) {
  T *object = dynamic_cast<T *>(LookUpHandle(handle));
  if (object == nullptr) SetLastError(ERROR_INVALID_HANDLE);
  return object;
}

// Removes the handle from the table and destroys its object; false when the
// handle is not live.
bool CloseKernelHandle(HANDLE handle);

}  // namespace platform
