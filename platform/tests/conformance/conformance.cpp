// The conformance suites' shared pieces (see conformance.h).
#include "conformance.h"

#include <atomic>

namespace conformance {

HWND TestWindow() {
#ifdef _WIN32
  static HWND window = [] {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "KorvaneConformance";
    RegisterClassA(&windowClass);
    return CreateWindowA("KorvaneConformance", "conformance", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, nullptr,
                         nullptr, windowClass.hInstance, nullptr);
  }();
  return window;
#else
  static int window;
  return reinterpret_cast<HWND>(&window);
#endif
}

bool UnderWine() {
#ifdef _WIN32
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
  return false;
#endif
}

ScratchFile::ScratchFile(const std::string &stem) {
  static std::atomic<int> next{0};
  const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
  path_ = "conformance_" + std::string(test != nullptr ? test->name() : "none") + "_" + stem + "_" +
          std::to_string(next++) + ".tmp";
  DeleteFileA(path_.c_str());
}

ScratchFile::~ScratchFile() { DeleteFileA(path_.c_str()); }

bool ScratchFile::Write(const std::string &bytes) const {
  HANDLE file = CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

void PutU16(std::string &out, unsigned value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

void PutU32(std::string &out, unsigned value) {
  PutU16(out, value & 0xFFFF);
  PutU16(out, value >> 16);
}

IDirectDraw7 *NormalDirectDraw() {
  LPVOID object = nullptr;
  EXPECT_EQ(DirectDrawCreateEx(nullptr, &object, IID_IDirectDraw7, nullptr), DD_OK);
  auto *directDraw = static_cast<IDirectDraw7 *>(object);
  if (directDraw != nullptr) {
    EXPECT_EQ(directDraw->SetCooperativeLevel(TestWindow(), DDSCL_NORMAL), DD_OK);
  }
  return directDraw;
}

DDSURFACEDESC2 PlainSurfaceDesc(DWORD width, DWORD height, DWORD bpp) {
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
  desc.dwWidth = width;
  desc.dwHeight = height;
  desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
  desc.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
  desc.ddpfPixelFormat.dwFlags = DDPF_RGB;
  desc.ddpfPixelFormat.dwRGBBitCount = bpp;
  desc.ddpfPixelFormat.dwRBitMask = bpp == 16 ? 0xF800 : 0xFF0000;
  desc.ddpfPixelFormat.dwGBitMask = bpp == 16 ? 0x07E0 : 0x00FF00;
  desc.ddpfPixelFormat.dwBBitMask = bpp == 16 ? 0x001F : 0x0000FF;
  return desc;
}

}  // namespace conformance
