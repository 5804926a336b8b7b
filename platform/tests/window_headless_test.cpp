// What of the window and sound card drivers runs without a desktop: the
// picture's placement in a window, the message queue, the headless default
// that never starts SDL, and the window and device drivers refused cleanly
// where they cannot open.
#include <windows.h>
#include <ddraw.h>
#include <dsound.h>

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "machine.h"
#include "machine_display.h"
#include "machine_sound.h"
#include "drivers/sdl/sdl_window_layout.h"
#include "support/test_machine.h"

namespace {

using present::Placement;
using present::PlaceFrame;

struct PlaceCase {
  const char *name;
  int frameWidth, frameHeight, windowWidth, windowHeight;
  bool integer;
  Placement expected;
};

TEST(WindowLayoutTest, FrameFillsWidthOrHeightWithItsAspectBetweenBars) {
  const PlaceCase cases[] = {
      {"same size", 640, 480, 640, 480, false, {0, 0, 640, 480}},
      {"twice", 320, 240, 640, 480, false, {0, 0, 640, 480}},
      {"wide window: bars left and right", 320, 240, 800, 480, false, {80, 0, 640, 480}},
      {"tall window: bars above and below", 320, 240, 320, 400, false, {0, 80, 320, 240}},
      {"uneven factor", 320, 240, 500, 333, false, {28, 0, 444, 333}},
      {"shrunk", 640, 480, 320, 200, false, {27, 0, 266, 200}},
      {"integer: largest whole factor", 320, 240, 700, 500, true, {30, 10, 640, 480}},
      {"integer: never below 1", 640, 480, 320, 200, true, {-160, -140, 640, 480}},
      {"integer: exact fit", 320, 200, 960, 600, true, {0, 0, 960, 600}},
      {"empty frame", 0, 240, 640, 480, false, {0, 0, 0, 0}},
      {"empty window", 320, 240, 0, 0, false, {0, 0, 0, 0}},
      {"huge sizes do not overflow", 60000, 40000, 50000, 50000, false, {0, 8333, 50000, 33333}},
  };
  for (const PlaceCase &c : cases) {
    const Placement got = PlaceFrame(c.frameWidth, c.frameHeight, c.windowWidth, c.windowHeight, c.integer);
    EXPECT_EQ(got.x, c.expected.x) << c.name;
    EXPECT_EQ(got.y, c.expected.y) << c.name;
    EXPECT_EQ(got.width, c.expected.width) << c.name;
    EXPECT_EQ(got.height, c.expected.height) << c.name;
  }
}

TEST(WindowLayoutTest, WindowPixelsMapBackToFramePixelsOrBars) {
  const Placement place = PlaceFrame(320, 240, 800, 480, false);  // bars of 80 at each side
  int x = -1, y = -1;
  EXPECT_FALSE(present::WindowToFrame(place, 320, 240, 79, 10, &x, &y));
  EXPECT_FALSE(present::WindowToFrame(place, 320, 240, 720, 10, &x, &y));
  ASSERT_TRUE(present::WindowToFrame(place, 320, 240, 80, 0, &x, &y));
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
  ASSERT_TRUE(present::WindowToFrame(place, 320, 240, 719, 479, &x, &y));
  EXPECT_EQ(x, 319);
  EXPECT_EQ(y, 239);
  EXPECT_FALSE(present::WindowToFrame(Placement{0, 0, 0, 0}, 320, 240, 0, 0, &x, &y));
}

class MessageQueueTest : public MachineTest {
 protected:
  static HWND Window(int n) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(0x9000 + 0x10 * n)); }
};

TEST_F(MessageQueueTest, MessagesComeBackInPostingOrderPerWindowAndFilter) {
  ASSERT_TRUE(PostMessageA(Window(1), WM_USER + 1, 11, 12));
  ASSERT_TRUE(PostMessageA(Window(2), WM_CLOSE, 0, 0));
  ASSERT_TRUE(PostMessageA(Window(1), WM_USER + 2, 21, 22));
  MSG msg{};
  // Looking without removing leaves the message where it is.
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
  // A window's filter skips other windows' messages; a range skips others.
  ASSERT_TRUE(PeekMessageA(&msg, Window(2), 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, Window(2));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_CLOSE));
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 2, WM_USER + 2, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 21u);
  EXPECT_EQ(msg.lParam, 22);
  ASSERT_EQ(GetMessageA(&msg, Window(1), 0, 0), TRUE);
  EXPECT_EQ(msg.wParam, 11u);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueueTest, BadArgumentsAndDeadWindowsFailWithoutWaiting) {
  ASSERT_TRUE(DestroyWindow(Window(3)));
  SetLastError(0);
  EXPECT_FALSE(PostMessageA(Window(3), WM_CLOSE, 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  MSG msg{};
  // GetMessageA for a destroyed window would otherwise wait forever.
  EXPECT_EQ(GetMessageA(&msg, Window(3), 0, 0), -1);
  EXPECT_EQ(GetMessageA(nullptr, nullptr, 0, 0), -1);
  EXPECT_FALSE(PeekMessageA(nullptr, nullptr, 0, 0, PM_REMOVE));
  EXPECT_FALSE(TranslateMessage(&msg));
  EXPECT_EQ(DispatchMessageA(&msg), 0);
  // A null window posts to the thread's queue.
  ASSERT_TRUE(PostMessageA(nullptr, WM_USER, 1, 2));
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, nullptr);
  machine::fail_next("PostMessageA", 1, 0);
  EXPECT_FALSE(PostMessageA(Window(1), WM_USER, 0, 0));
}

// A window's text: kept per window, copied with truncation to the buffer
// given, refused for null and destroyed windows, dropped on destruction.
TEST_F(MessageQueueTest, WindowTextIsKeptPerWindowAndCopiedWithinTheBuffer) {
  ASSERT_TRUE(SetWindowTextA(Window(1), "Blast Corps"));
  ASSERT_TRUE(SetWindowTextA(Window(2), "Other"));
  struct ReadCase {
    const char *name;
    HWND window;
    int maxCount;
    int expectedCount;
    const char *expectedText;
  };
  const ReadCase cases[] = {
      {"whole", Window(1), 64, 11, "Blast Corps"},
      {"exact room for the null", Window(1), 12, 11, "Blast Corps"},
      {"truncated", Window(1), 6, 5, "Blast"},
      {"room for the null only", Window(1), 1, 0, ""},
      {"another window's own", Window(2), 64, 5, "Other"},
      {"never set", Window(4), 64, 0, ""},
  };
  for (const ReadCase &c : cases) {
    char text[65];  // one guard byte beyond the largest maxCount
    std::memset(text, 'x', sizeof(text));
    EXPECT_EQ(GetWindowTextA(c.window, text, c.maxCount), c.expectedCount) << c.name;
    EXPECT_STREQ(text, c.expectedText) << c.name;
    EXPECT_EQ(text[c.maxCount], 'x') << c.name << ": wrote past the buffer";
  }
  EXPECT_EQ(GetWindowTextLengthA(Window(1)), 11);

  char text[16] = "untouched";
  EXPECT_EQ(GetWindowTextA(Window(1), nullptr, 16), 0);
  EXPECT_EQ(GetWindowTextA(Window(1), text, 0), 0);
  EXPECT_STREQ(text, "untouched");
  // A null text clears the title.
  ASSERT_TRUE(SetWindowTextA(Window(2), nullptr));
  EXPECT_EQ(GetWindowTextLengthA(Window(2)), 0);

  EXPECT_FALSE(SetWindowTextA(nullptr, "none"));
  ASSERT_TRUE(DestroyWindow(Window(1)));
  SetLastError(0);
  EXPECT_EQ(GetWindowTextA(Window(1), text, 16), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_STREQ(text, "");
  EXPECT_FALSE(SetWindowTextA(Window(1), "again"));
  EXPECT_EQ(GetWindowTextLengthA(Window(1)), 0);
  // Reset forgets every text.
  ASSERT_TRUE(SetWindowTextA(Window(5), "kept until reset"));
  machine::reset();
  EXPECT_EQ(GetWindowTextLengthA(Window(5)), 0);
}

TEST_F(MessageQueueTest, GetMessageWaitsForAPostAndAnswersFalseForQuit) {
  std::thread poster([] {
    PostMessageA(Window(1), WM_CLOSE, 0, 0);
    PostMessageA(Window(1), WM_QUIT, 7, 0);
  });
  MSG msg{};
  EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_CLOSE));
  EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
  EXPECT_EQ(msg.wParam, 7u);
  poster.join();
  // Reset empties the queue.
  ASSERT_TRUE(PostMessageA(Window(1), WM_USER, 0, 0));
  machine::reset();
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

// Drivers chosen through the environment, with and without a desktop.
class DriverChoiceTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    Keep("DISPLAY");
    Keep("WAYLAND_DISPLAY");
    Keep("SDL_AUDIODRIVER");
    Keep("SDL_VIDEODRIVER");
  }
  void TearDown() override {
    for (const auto &[name, value] : kept_) {
      if (value.first) {
        setenv(name.c_str(), value.second.c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
    unsetenv("KORVANE_VIDEO");
    unsetenv("KORVANE_AUDIO");
    unsetenv("KORVANE_AUDIO_WAV");
    machine::reset();
    MachineTest::TearDown();
  }
  void Keep(const char *name) {
    const char *value = std::getenv(name);
    kept_.push_back({name, {value != nullptr, value != nullptr ? value : ""}});
  }
  // No desktop and no sound card SDL could find.
  static void NoDesktop() {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    setenv("SDL_VIDEODRIVER", "x11", 1);
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  }
  // A flip chain shown once, so that the driver in use starts.
  static void ShowAFrame() {
    LPVOID object = nullptr;
    ASSERT_EQ(DirectDrawCreateEx(nullptr, &object, IID_IDirectDraw7, nullptr), DD_OK);
    auto *dd = static_cast<IDirectDraw7 *>(object);
    ASSERT_EQ(dd->SetCooperativeLevel(reinterpret_cast<HWND>(0x5100), DDSCL_NORMAL), DD_OK);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    IDirectDrawSurface7 *primary = nullptr;
    ASSERT_EQ(dd->CreateSurface(&desc, &primary, nullptr), DD_OK);
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = 0x123456;
    ASSERT_EQ(primary->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
    primary->Release();
    dd->Release();
  }
  std::vector<std::pair<std::string, std::pair<bool, std::string>>> kept_;
};

// The default machine draws and plays without touching SDL at all.
TEST_F(DriverChoiceTest, HeadlessDefaultNeverStartsSdl) {
  unsetenv("KORVANE_VIDEO");
  unsetenv("KORVANE_AUDIO");
  machine::reset();
  ShowAFrame();
  IDirectSound *sound = nullptr;
  ASSERT_EQ(DirectSoundCreate(nullptr, &sound, nullptr), DS_OK);
  sound->Release();
  EXPECT_EQ(machine::video_driver(), "headless");
  EXPECT_EQ(machine::audio_driver(), "none");
  EXPECT_EQ(machine::frames_presented(), 1u);
  EXPECT_EQ(SDL_WasInit(SDL_INIT_EVERYTHING), 0u);
}

TEST_F(DriverChoiceTest, WithoutADesktopTheWindowAndCardFallBack) {
  NoDesktop();
  EXPECT_FALSE(machine::use_video_driver("window"));
  EXPECT_EQ(machine::video_driver(), "headless");
  EXPECT_FALSE(machine::use_audio_driver("device"));
  EXPECT_EQ(machine::audio_driver(), "none");
  // Asked for through the environment: the headless driver shows the frame,
  // and the WAV recording meant to go beside the card is still made.
  setenv("KORVANE_VIDEO", "window", 1);
  setenv("KORVANE_AUDIO", "device", 1);
  setenv("KORVANE_AUDIO_WAV", "beside.wav", 1);
  machine::reset();
  ShowAFrame();
  EXPECT_EQ(machine::video_driver(), "headless");
  EXPECT_EQ(machine::last_presented_frame().width, 1024u);
  EXPECT_EQ(machine::audio_driver(), "wav");
  EXPECT_EQ(SDL_WasInit(SDL_INIT_EVERYTHING), 0u);
}

TEST_F(DriverChoiceTest, LatencyIsClampedAndResetFromTheEnvironment) {
  const struct {
    unsigned asked;
    unsigned kept;
  } cases[] = {{0, 1}, {5, 5}, {20, 20}, {5000, 1000}};
  for (const auto &c : cases) {
    machine::set_audio_latency_ms(c.asked);
    EXPECT_EQ(machine::audio_latency_ms(), c.kept) << c.asked;
  }
  machine::reset();
  EXPECT_EQ(machine::audio_latency_ms(), 20u);
  EXPECT_EQ(machine::audio_underruns(), 0u);
}

}  // namespace
