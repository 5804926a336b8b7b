// LoadImageA for bitmaps: a bitmap resource of the program (whatever module
// handle the host passes) or, with LR_LOADFROMFILE, a BMP file, decoded by
// the BMP reader into a DIB section.
#include <windows.h>

#include <vector>

#include "base/faults.h"
#include "gdi/bmp_reader.h"
#include "gdi/gdi_objects.h"

namespace {

// Files larger than the largest image the reader accepts, with room for its
// headers and table, are not read.
constexpr size_t kLargestFile = static_cast<size_t>(gdi::kMostBitmapPixels) * 4 + 64 * 1024;

bool ReadWholeFile(const char *name, std::vector<uint8_t> *bytes) {
  HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  // Only a disk file is an image file: a device or a pipe would be read
  // up to the size limit for nothing.
  bool ok = GetFileType(file) == FILE_TYPE_DISK;
  uint8_t chunk[64 * 1024];
  while (ok) {
    DWORD got = 0;
    if (!ReadFile(file, chunk, sizeof chunk, &got, nullptr)) {
      ok = false;
      break;
    }
    if (got == 0) break;
    if (bytes->size() + got > kLargestFile) {
      ok = false;
      break;
    }
    bytes->insert(bytes->end(), chunk, chunk + got);
  }
  CloseHandle(file);
  return ok;
}

HANDLE FromDecoded(gdi::BmpResult result, gdi::DecodedBitmap image) {
  if (result != gdi::BmpResult::kDecoded) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  return gdi::CreateDibSection(std::move(image));
}

HANDLE LoadFromFile(const char *name) {
  std::vector<uint8_t> bytes;
  if (IS_INTRESOURCE(name) || !ReadWholeFile(name, &bytes)) return nullptr;
  gdi::DecodedBitmap image;
  const gdi::BmpResult result = gdi::DecodeBmpFile(bytes.data(), bytes.size(), &image);
  return FromDecoded(result, std::move(image));
}

// Every module handle, null included, stands for the program: a host on
// this platform has no module of its own to pass, and its resources are the
// ones registered through the machine interface.
HANDLE LoadFromResource(const char *name) {
  HRSRC resource = FindResourceA(nullptr, name, RT_BITMAP);
  if (resource == nullptr) return nullptr;
  HGLOBAL loaded = LoadResource(nullptr, resource);
  const void *data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data == nullptr) return nullptr;
  gdi::DecodedBitmap image;
  const gdi::BmpResult result =
      gdi::DecodePackedBitmap(static_cast<const uint8_t *>(data), SizeofResource(nullptr, resource), &image);
  return FromDecoded(result, std::move(image));
}

}  // namespace

extern "C" HANDLE WINAPI LoadImageA(HINSTANCE /*any module: the program*/, LPCSTR name, UINT type, int cx, int cy, UINT flags) {
  if (platform::TakeWin32Fault("LoadImageA")) return nullptr;
  // Only bitmaps at their own size are made.
  if (type != IMAGE_BITMAP || name == nullptr || cx != 0 || cy != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return (flags & LR_LOADFROMFILE) ? LoadFromFile(name) : LoadFromResource(name);
}
