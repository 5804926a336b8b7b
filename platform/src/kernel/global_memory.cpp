// Global memory: GlobalAlloc and GlobalFree for fixed blocks. A block's
// handle is its address; freeing checks the address against the live blocks
// so a stale or forged handle is refused instead of passed to free().
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_set>

#include "base/faults.h"

namespace {

std::mutex gBlockLock;
std::unordered_set<void *> gBlocks;

}  // namespace

extern "C" HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes) {
  if (platform::TakeWin32Fault("GlobalAlloc")) {
    return nullptr;
  }
  // Moveable blocks need GlobalLock, which this machine does not offer.
  if ((flags & ~static_cast<UINT>(GMEM_VALID_FLAGS)) != 0 || (flags & GMEM_MOVEABLE) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  // A zero-byte fixed block is still a distinct, freeable block.
  void *block = std::malloc(bytes == 0 ? 1 : bytes);
  if (block == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (flags & GMEM_ZEROINIT) std::memset(block, 0, bytes);
  std::lock_guard<std::mutex> hold(gBlockLock);
  gBlocks.insert(block);
  return block;
}

extern "C" HGLOBAL WINAPI GlobalFree(HGLOBAL memory) {
  if (memory == nullptr) return nullptr;
  {
    std::lock_guard<std::mutex> hold(gBlockLock);
    if (gBlocks.erase(memory) == 0) {
      SetLastError(ERROR_INVALID_HANDLE);
      return memory;
    }
  }
  std::free(memory);
  return nullptr;
}
