// Shared pieces of the conformance suites: programs written against the
// Win32 / DirectX interfaces alone, built natively against the platform and
// with mingw against the real DLLs (run under Wine), so every expectation
// about DirectX behaviour holds on an independent implementation too.
#pragma once

#define DIRECTINPUT_VERSION 0x0700
#include <windows.h>
#include <ddraw.h>

#include <gtest/gtest.h>

#include <string>

namespace conformance {

// A window the DirectX objects can be bound to: a real, hidden window on
// Windows; on the platform any non-null handle is a window.
HWND TestWindow();

// True when the suite runs under Wine (its ntdll exports wine_get_version).
bool UnderWine();

// A file name in the working directory that no other case uses; the file is
// deleted when the returned object goes out of scope.
class ScratchFile {
 public:
  explicit ScratchFile(const std::string &stem);
  ~ScratchFile();
  ScratchFile(const ScratchFile &) = delete;
  ScratchFile &operator=(const ScratchFile &) = delete;
  const char *path() const { return path_.c_str(); }
  // Writes the whole file (true when every byte was written).
  bool Write(const std::string &bytes) const;

 private:
  std::string path_;
};

// An IDirectDraw7 at the normal cooperative level of TestWindow(), or null
// (the failure already recorded).
IDirectDraw7 *NormalDirectDraw();

// The description of a system-memory off-screen surface of 32 (XRGB) or 16
// (5-6-5) bits.
DDSURFACEDESC2 PlainSurfaceDesc(DWORD width, DWORD height, DWORD bpp);

// Little-endian building blocks for the files the suites write.
void PutU16(std::string &out, unsigned value);
void PutU32(std::string &out, unsigned value);

}  // namespace conformance

// Skips the rest of a case on the portable platform where it is known to
// differ from Windows (and Wine); `reason` says how, so the difference stays
// in sight until the platform is mended.
#ifdef _WIN32
#define SKIP_ON_PLATFORM(reason) \
  do {                           \
  } while (0)
#else
#define SKIP_ON_PLATFORM(reason) GTEST_SKIP() << "platform: " << (reason)
#endif

// Skips the rest of a case under Wine where Wine is known to differ from
// Windows; `reason` names the Wine version and what it does.
#define SKIP_UNDER_WINE(reason)                  \
  do {                                           \
    if (conformance::UnderWine()) GTEST_SKIP() << (reason); \
  } while (0)
