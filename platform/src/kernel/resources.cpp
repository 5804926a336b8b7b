// Bitmap resources of the host program: a registry that hosts and tests fill
// through the machine interface (on Windows these are the program's own PE
// resources), reached with GetModuleHandleA(NULL), FindResourceA,
// LoadResource, LockResource and SizeofResource.
#include "kernel/resources.h"

#include <windows.h>

#include <cctype>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/faults.h"
#include "base/reset.h"

namespace {

// A resource's data; its address is the HRSRC and HGLOBAL handed out.
struct Resource {
  std::vector<uint8_t> bytes;
};

std::mutex gResourceLock;
std::map<std::string, std::unique_ptr<Resource>> gBitmaps;

// The module handle of the program itself.
int gProgramImage;
HMODULE ProgramModule() { return reinterpret_cast<HMODULE>(&gProgramImage); }

// Names compare without case; integer ids are kept as "#<id>".
std::string KeyOf(LPCSTR name) {
  if (IS_INTRESOURCE(name)) return "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name));
  std::string key(name);
  for (char &c : key) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return key;
}


void ResetResources() {
  std::lock_guard<std::mutex> hold(gResourceLock);
  gBitmaps.clear();
}
platform::ResetHook gResetResources(ResetResources);

}  // namespace

extern "C" HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName) {
  if (platform::TakeWin32Fault("GetModuleHandleA")) return nullptr;
  if (moduleName == nullptr) return ProgramModule();
  SetLastError(ERROR_FILE_NOT_FOUND);
  return nullptr;
}

extern "C" HRSRC WINAPI FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
  if (platform::TakeWin32Fault("FindResourceA")) return nullptr;
  if (module != nullptr && module != ProgramModule()) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  if (name == nullptr || type != RT_BITMAP) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
  }
  std::lock_guard<std::mutex> hold(gResourceLock);
  auto found = gBitmaps.find(KeyOf(name));
  if (found == gBitmaps.end()) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<HRSRC>(found->second.get());
}

extern "C" HGLOBAL WINAPI LoadResource(HMODULE, HRSRC resource) {
  if (platform::TakeWin32Fault("LoadResource")) return nullptr;
  return reinterpret_cast<HGLOBAL>(resource);
}

extern "C" LPVOID WINAPI LockResource(HGLOBAL data) {
  if (platform::TakeWin32Fault("LockResource") || data == nullptr) return nullptr;
  return static_cast<Resource *>(data)->bytes.data();
}

extern "C" DWORD WINAPI SizeofResource(HMODULE, HRSRC resource) {
  if (platform::TakeWin32Fault("SizeofResource")) return 0;
  if (resource == nullptr) return 0;
  return static_cast<DWORD>(reinterpret_cast<Resource *>(resource)->bytes.size());
}

namespace platform {

void AddBitmapResource(const std::string &name, const std::vector<uint8_t> &packedBitmap) {
  std::lock_guard<std::mutex> hold(gResourceLock);
  gBitmaps[KeyOf(name.c_str())] = std::make_unique<Resource>(Resource{packedBitmap});
}

void RemoveBitmapResources() { ResetResources(); }

}  // namespace platform
