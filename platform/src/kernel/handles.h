// Kernel objects behind HANDLE values. A handle is the object's address; the
// table only answers whether an address is a live object, so that a stale or
// forged handle is refused with ERROR_INVALID_HANDLE instead of followed.
#pragma once

#include <windows.h>

#include <memory>

namespace platform {

class KernelObject {
 public:
  virtual ~KernelObject() = default;
};

// The table takes the object; it is destroyed when its handle is closed and
// no call still working with it (see Share) holds it.
HANDLE RegisterHandle(KernelObject *object);

// The live object of the handle, or null. The pointer is only good while no
// other thread can close the handle: use Share where that may happen.
KernelObject *LookUpHandle(HANDLE handle);
template <typename T>
T *LookUp(HANDLE handle) {
  T *object = dynamic_cast<T *>(LookUpHandle(handle));
  if (object == nullptr) SetLastError(ERROR_INVALID_HANDLE);
  return object;
}

// The live object of the handle, held for the caller: a CloseHandle on
// another thread meanwhile removes the handle, but the object (and whatever
// it owns, such as a file descriptor) lasts until the caller lets go.
std::shared_ptr<KernelObject> ShareHandle(HANDLE handle);
template <typename T>
std::shared_ptr<T> Share(HANDLE handle) {
  std::shared_ptr<T> object = std::dynamic_pointer_cast<T>(ShareHandle(handle));
  if (object == nullptr) SetLastError(ERROR_INVALID_HANDLE);
  return object;
}

// Removes the handle from the table and lets go of its object; false when
// the handle is not live.
bool CloseKernelHandle(HANDLE handle);

}  // namespace platform
