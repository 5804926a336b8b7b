// The portable platform's kernel, user and COM services as any Win32 program
// sees them: files and handles, last errors, fault injection, message boxes,
// windows, COM initialisation and the DirectDraw factory.
#include <windows.h>
#include <ddraw.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>

#include "machine.h"
#include "support/test_machine.h"

namespace {

class PlatformTest : public MachineTest {};

HANDLE OpenForWriting(const char *name, DWORD disposition) {
  return CreateFileA(name, GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE OpenForReading(const char *name) {
  return CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST_F(PlatformTest, FilesAreWrittenReadAndCutAtThePointer) {
  HANDLE file = OpenForWriting("data.bin", CREATE_ALWAYS);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file, "hello world", 11, &written, nullptr));
  EXPECT_EQ(written, 11u);
  EXPECT_EQ(SetFilePointer(file, 5, nullptr, FILE_BEGIN), 5u);
  ASSERT_TRUE(SetEndOfFile(file));
  EXPECT_EQ(GetFileSize(file, nullptr), 5u);
  ASSERT_TRUE(CloseHandle(file));

  file = OpenForReading("data.bin");
  char buffer[16] = {};
  DWORD read = 0;
  ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
  EXPECT_EQ(std::string(buffer, read), "hello");
  ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
  EXPECT_EQ(read, 0u) << "reading at the end succeeds with nothing";
  CloseHandle(file);
}

TEST_F(PlatformTest, CreationDispositionsFollowWin32) {
  EXPECT_EQ(OpenForReading("absent.bin"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));

  WriteWholeFile("present.bin", "old content");
  EXPECT_EQ(OpenForWriting("present.bin", CREATE_NEW), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_EXISTS));

  HANDLE file = OpenForWriting("present.bin", CREATE_ALWAYS);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS)) << "replacing says so";
  CloseHandle(file);
  EXPECT_EQ(ReadWholeFile("present.bin"), "") << "CREATE_ALWAYS truncates";

  EXPECT_EQ(OpenForWriting("present.bin", 0), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(OpenForWriting(nullptr, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
  std::filesystem::create_directory("folder");
  EXPECT_EQ(OpenForWriting("folder", OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
}

TEST_F(PlatformTest, HandlesAreCheckedBeforeUse) {
  HANDLE file = OpenForWriting("data.bin", CREATE_ALWAYS);
  ASSERT_TRUE(CloseHandle(file));
  DWORD written = 7;
  EXPECT_FALSE(WriteFile(file, "x", 1, &written, nullptr)) << "a closed handle is refused";
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
  EXPECT_EQ(written, 0u);
  EXPECT_FALSE(CloseHandle(file));
  EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
  int notAHandle = 0;
  EXPECT_FALSE(SetEndOfFile(&notAHandle));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
}

TEST_F(PlatformTest, AccessRightsAreEnforced) {
  WriteWholeFile("data.bin", "abc");
  HANDLE reader = OpenForReading("data.bin");
  DWORD count;
  EXPECT_FALSE(WriteFile(reader, "x", 1, &count, nullptr));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(SetEndOfFile(reader));
  CloseHandle(reader);
  HANDLE writer = OpenForWriting("data.bin", OPEN_EXISTING);
  char buffer[4];
  EXPECT_FALSE(ReadFile(writer, buffer, sizeof buffer, &count, nullptr));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
  CloseHandle(writer);
}

TEST_F(PlatformTest, DeleteFileRemovesFilesOnly) {
  WriteWholeFile("gone.bin", "x");
  EXPECT_TRUE(DeleteFileA("gone.bin"));
  EXPECT_FALSE(FileExists("gone.bin"));
  EXPECT_FALSE(DeleteFileA("gone.bin"));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
  std::filesystem::create_directory("folder");
  EXPECT_FALSE(DeleteFileA("folder"));
  EXPECT_FALSE(DeleteFileA(nullptr));
}

TEST_F(PlatformTest, FaultsFailTheNamedOperationTheAskedNumberOfTimes) {
  machine::fail_next("CreateFileA", 2, ERROR_SHARING_VIOLATION);
  EXPECT_EQ(machine::pending_faults("CreateFileA"), 2);
  for (int attempt = 0; attempt < 2; ++attempt) {
    EXPECT_EQ(OpenForWriting("data.bin", CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
  }
  HANDLE file = OpenForWriting("data.bin", CREATE_ALWAYS);
  EXPECT_NE(file, INVALID_HANDLE_VALUE) << "the third call succeeds";

  machine::fail_next("WriteFile", machine::kAlways, ERROR_DISK_FULL);
  DWORD written;
  for (int attempt = 0; attempt < 5; ++attempt) EXPECT_FALSE(WriteFile(file, "x", 1, &written, nullptr));
  machine::fail_next("WriteFile", 0, 0);
  EXPECT_TRUE(WriteFile(file, "x", 1, &written, nullptr));
  CloseHandle(file);
  EXPECT_EQ(ReadWholeFile("data.bin"), "x");
}

TEST_F(PlatformTest, ResetClearsFaultsBoxesAndWindows) {
  machine::fail_next("DirectDrawCreateEx", 3, E_FAIL);
  MessageBoxA(nullptr, "text", "title", MB_OK);
  HWND window = reinterpret_cast<HWND>(0x77);
  DestroyWindow(window);
  machine::reset();
  EXPECT_EQ(machine::pending_faults("DirectDrawCreateEx"), 0);
  EXPECT_TRUE(machine::message_boxes().empty());
  EXPECT_FALSE(machine::window_destroyed(window));
}

TEST_F(PlatformTest, MessageBoxesAreRecordedAndAnsweredWithTheFirstButton) {
  HWND owner = reinterpret_cast<HWND>(0x10);
  EXPECT_EQ(MessageBoxA(owner, "Saved?", "Question", MB_YESNO | MB_ICONQUESTION), IDYES);
  EXPECT_EQ(MessageBoxA(nullptr, nullptr, nullptr, MB_OK), IDOK);
  auto boxes = machine::message_boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].owner, owner);
  EXPECT_EQ(boxes[0].text, "Saved?");
  EXPECT_EQ(boxes[0].caption, "Question");
  EXPECT_EQ(boxes[0].type, UINT(MB_YESNO | MB_ICONQUESTION));
  EXPECT_EQ(boxes[1].text, "");
  EXPECT_EQ(boxes[1].caption, "Error") << "a box without a title is titled Error, as on Windows";
}

TEST_F(PlatformTest, WindowsLiveUntilDestroyedOnce) {
  HWND window = reinterpret_cast<HWND>(0x20);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_TRUE(DestroyWindow(window));
  EXPECT_FALSE(IsWindow(window));
  EXPECT_TRUE(machine::window_destroyed(window));
  EXPECT_FALSE(DestroyWindow(window));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_FALSE(DestroyWindow(nullptr));
  EXPECT_FALSE(IsWindow(nullptr));
}

TEST_F(PlatformTest, ComInitialisationIsCounted) {
  EXPECT_EQ(CoInitialize(nullptr), S_OK);
  EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
  EXPECT_EQ(machine::com_initialisations(), 2);
  CoUninitialize();
  CoUninitialize();
  CoUninitialize();
  EXPECT_EQ(machine::com_initialisations(), 0) << "extra uninitialisations do nothing";
}

TEST_F(PlatformTest, TimeAndVersionCanBeSet) {
  SYSTEMTIME fixed = {1999, 12, 5, 31, 23, 59, 58, 0};
  machine::set_local_time(fixed);
  SYSTEMTIME now;
  GetLocalTime(&now);
  EXPECT_EQ(now.wYear, 1999);
  EXPECT_EQ(now.wSecond, 58);
  machine::use_real_clock();
  GetLocalTime(&now);
  EXPECT_GE(now.wYear, 2024);
  EXPECT_EQ(LOBYTE(LOWORD(GetVersion())), 5);
  machine::set_version(0x0000000A);
  EXPECT_EQ(GetVersion(), 0x0000000Au);
}

TEST_F(PlatformTest, DirectDrawFactoryMakesReleasableObjects) {
  LPVOID object = nullptr;
  ASSERT_EQ(DirectDrawCreateEx(nullptr, &object, IID_IDirectDraw7, nullptr), DD_OK);
  auto *directDraw = static_cast<IDirectDraw7 *>(object);
  EXPECT_EQ(machine::live_directdraw_objects(), 1);
  IUnknown *unknown = nullptr;
  ASSERT_EQ(directDraw->QueryInterface(IID_IUnknown, reinterpret_cast<void **>(&unknown)), S_OK);
  void *palette = reinterpret_cast<void *>(1);
  EXPECT_EQ(directDraw->QueryInterface(IID_IDirectDrawPalette, &palette), E_NOINTERFACE);
  EXPECT_EQ(palette, nullptr);
  EXPECT_EQ(unknown->Release(), 1u);
  EXPECT_EQ(directDraw->Release(), 0u);
  EXPECT_EQ(machine::live_directdraw_objects(), 0);

  EXPECT_EQ(DirectDrawCreateEx(nullptr, &object, IID_IDirectDrawSurface7, nullptr), DDERR_INVALIDPARAMS);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(DirectDrawCreateEx(nullptr, nullptr, IID_IDirectDraw7, nullptr), DDERR_INVALIDPARAMS);
  IUnknown *outer = reinterpret_cast<IUnknown *>(&palette);
  EXPECT_EQ(DirectDrawCreateEx(nullptr, &object, IID_IDirectDraw7, outer), CLASS_E_NOAGGREGATION);
  machine::fail_next("DirectDrawCreateEx", 1, DDERR_NODIRECTDRAWHW);
  EXPECT_EQ(DirectDrawCreateEx(nullptr, &object, IID_IDirectDraw7, nullptr), DDERR_NODIRECTDRAWHW);
  EXPECT_EQ(machine::live_directdraw_objects(), 0);
}

// A handle closed on one thread while another writes through it: a write
// under way finishes on its file, and every later write is refused as an
// invalid handle (not failed half-way on a closed descriptor). No kernel
// object is made while the writer runs, so the closed handle's address
// cannot name a new object meanwhile. Many rounds, so that the close often
// lands inside a write; the sanitizer builds also see any use of the freed
// object.
TEST_F(PlatformTest, ClosingAHandleWhileAnotherThreadWritesThroughIt) {
  for (int round = 0; round < 100; ++round) {
    HANDLE file = OpenForWriting("shared.bin", CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    std::atomic<bool> wrote{false}, stopped{false};
    DWORD refusal = ERROR_SUCCESS;
    std::thread writer([&] {
      const char block[64] = {};
      for (int write = 0; write < 100000; ++write) {
        DWORD written = 0;
        if (!WriteFile(file, block, sizeof block, &written, nullptr)) {
          refusal = GetLastError();
          break;
        }
        wrote = true;
      }
      stopped = true;
    });
    while (!wrote && !stopped) std::this_thread::yield();
    ASSERT_TRUE(CloseHandle(file));
    writer.join();
    ASSERT_EQ(refusal, DWORD(ERROR_INVALID_HANDLE)) << "round " << round;
  }
}

}  // namespace
