// Presenting the front buffer: every change of the visible primary (flip,
// blit, fill, unlock, GDI drawing, palette colours) presents exactly once
// with the pixels and palette the display holds, and nothing else presents;
// the video driver is chosen by the environment or the machine interface.
// Also the hooks a Direct3D module uses: the factory behind
// QueryInterface(IID_IDirect3D7) and the surface listeners.
#include <windows.h>
#include <d3d.h>
#include <ddraw.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ddraw/direct3d_hook.h"
#include "ddraw/surface_events.h"
#include "machine.h"
#include "machine_display.h"
#include "support/test_machine.h"

namespace {

HWND Window() { return reinterpret_cast<HWND>(0x5000); }

// A full-screen DirectDraw object in a mode, with a primary and one back
// buffer, and helpers to read the primary's bytes.
class DisplayChainTest : public MachineTest {
 protected:
  void TearDown() override {
    for (IDirectDrawSurface7 *surface : made_) surface->Release();
    if (palette_ != nullptr) palette_->Release();
    if (primary_ != nullptr) primary_->Release();
    if (dd_ != nullptr) dd_->Release();
    EXPECT_EQ(machine::live_directdraw_surfaces(), 0);
    unsetenv("KORVANE_VIDEO");
    machine::reset();
    MachineTest::TearDown();
  }

  void StartChain(DWORD bpp) {
    LPVOID object = nullptr;
    ASSERT_EQ(DirectDrawCreateEx(nullptr, &object, IID_IDirectDraw7, nullptr), DD_OK);
    dd_ = static_cast<IDirectDraw7 *>(object);
    ASSERT_EQ(dd_->SetCooperativeLevel(Window(), DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE), DD_OK);
    ASSERT_EQ(dd_->SetDisplayMode(640, 480, bpp, 0, 0), DD_OK);
    MakeChain();
  }

  // A primary with one back buffer in the current mode.
  void MakeChain() {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    desc.dwBackBufferCount = 1;
    ASSERT_EQ(dd_->CreateSurface(&desc, &primary_, nullptr), DD_OK);
    DDSCAPS2 caps{};
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    ASSERT_EQ(primary_->GetAttachedSurface(&caps, &back_), DD_OK);
    made_.push_back(back_);
  }

  IDirectDrawSurface7 *Plain(DWORD width, DWORD height, DWORD caps = DDSCAPS_OFFSCREENPLAIN) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = width;
    desc.dwHeight = height;
    desc.ddsCaps.dwCaps = caps;
    IDirectDrawSurface7 *surface = nullptr;
    EXPECT_EQ(dd_->CreateSurface(&desc, &surface, nullptr), DD_OK);
    if (surface != nullptr) made_.push_back(surface);
    return surface;
  }

  IDirectDrawPalette *MakePalette(BYTE seed) {
    PALETTEENTRY entries[256];
    for (int i = 0; i < 256; ++i) {
      entries[i] = PALETTEENTRY{static_cast<BYTE>(i * seed), static_cast<BYTE>(255 - i), static_cast<BYTE>(i ^ seed), 0};
    }
    IDirectDrawPalette *palette = nullptr;
    EXPECT_EQ(dd_->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &palette, nullptr), DD_OK);
    return palette;
  }

  // Writes a pattern of `seed` over a surface's bytes (as a host would).
  static void Scribble(IDirectDrawSurface7 *surface, BYTE seed) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    auto *bits = static_cast<BYTE *>(desc.lpSurface);
    for (DWORD i = 0; i < desc.dwHeight * static_cast<DWORD>(desc.lPitch); ++i) bits[i] = static_cast<BYTE>(i * 7 + seed);
    surface->Unlock(nullptr);
  }

  // The primary's rows, packed (the lock presents again, once read).
  std::vector<uint8_t> PrimaryBytes(unsigned bytesPerPixel) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    EXPECT_EQ(primary_->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    std::vector<uint8_t> rows;
    const auto *bits = static_cast<const uint8_t *>(desc.lpSurface);
    for (DWORD y = 0; y < desc.dwHeight; ++y) {
      rows.insert(rows.end(), bits + y * desc.lPitch, bits + y * desc.lPitch + desc.dwWidth * bytesPerPixel);
    }
    primary_->Unlock(nullptr);
    return rows;
  }

  IDirectDraw7 *dd_ = nullptr;
  IDirectDrawSurface7 *primary_ = nullptr;
  IDirectDrawSurface7 *back_ = nullptr;
  IDirectDrawPalette *palette_ = nullptr;
  std::vector<IDirectDrawSurface7 *> made_;
};

class PresentEventTest;

struct FrontEvent {
  const char *name;
  DWORD bpp;
  void (*act)(PresentEventTest &test);
};

void PrintTo(const FrontEvent &event, std::ostream *out) { *out << event.name; }

class PresentEventTest : public DisplayChainTest, public ::testing::WithParamInterface<FrontEvent> {
 public:
  IDirectDrawSurface7 *primary() { return primary_; }
  IDirectDrawSurface7 *sprite() { return sprite_; }
  IDirectDrawPalette *palette() { return palette_; }
  IDirectDrawPalette *NewPalette(BYTE seed) { return MakePalette(seed); }

 protected:
  IDirectDrawSurface7 *sprite_ = nullptr;
};

const FrontEvent kFrontEvents[] = {
    {"Flip", 16, [](PresentEventTest &test) { ASSERT_EQ(test.primary()->Flip(nullptr, DDFLIP_WAIT), DD_OK); }},
    {"FillOntoPrimary", 32,
     [](PresentEventTest &test) {
       DDBLTFX fx{};
       fx.dwSize = sizeof fx;
       fx.dwFillColor = 0x00ABCDEF;
       RECT area{10, 20, 300, 40};
       ASSERT_EQ(test.primary()->Blt(&area, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
     }},
    {"StretchOntoPrimary", 16,
     [](PresentEventTest &test) {
       RECT area{100, 50, 260, 130};
       ASSERT_EQ(test.primary()->Blt(&area, test.sprite(), nullptr, DDBLT_WAIT, nullptr), DD_OK);
     }},
    {"BltFastOntoPrimary", 24,
     [](PresentEventTest &test) {
       ASSERT_EQ(test.primary()->BltFast(600, 450, test.sprite(), nullptr, DDBLTFAST_WAIT), DD_OK);
     }},
    {"UnlockOfPrimaryPart", 32,
     [](PresentEventTest &test) {
       DDSURFACEDESC2 desc{};
       desc.dwSize = sizeof desc;
       RECT part{5, 6, 9, 8};
       ASSERT_EQ(test.primary()->Lock(&part, &desc, DDLOCK_WAIT, nullptr), DD_OK);
       memset(desc.lpSurface, 0x3C, 16);
       memset(static_cast<BYTE *>(desc.lpSurface) + desc.lPitch, 0xC3, 16);
       ASSERT_EQ(test.primary()->Unlock(&part), DD_OK);
     }},
    {"GdiDrawingOnPrimary", 16,
     [](PresentEventTest &test) {
       HDC target = nullptr, source = nullptr;
       ASSERT_EQ(test.sprite()->GetDC(&source), DD_OK);
       ASSERT_EQ(test.primary()->GetDC(&target), DD_OK);
       EXPECT_TRUE(BitBlt(target, 320, 200, 40, 30, source, 0, 0, SRCCOPY));
       ASSERT_EQ(test.sprite()->ReleaseDC(source), DD_OK);
       ASSERT_EQ(test.primary()->ReleaseDC(target), DD_OK);
     }},
    {"SetEntriesOfPrimaryPalette", 8,
     [](PresentEventTest &test) {
       PALETTEENTRY entries[3] = {{1, 2, 3, 0}, {40, 50, 60, 0}, {255, 254, 253, 0}};
       ASSERT_EQ(test.palette()->SetEntries(0, 7, 3, entries), DD_OK);
     }},
    {"SetPaletteOnPrimary", 8,
     [](PresentEventTest &test) {
       IDirectDrawPalette *other = test.NewPalette(9);
       ASSERT_EQ(test.primary()->SetPalette(other), DD_OK);
       other->Release();
     }},
};

TEST_P(PresentEventTest, PresentsOnceWithThePixelsAndPaletteShown) {
  const FrontEvent &event = GetParam();
  StartChain(event.bpp);
  const unsigned bytes = (event.bpp + 7) / 8;
  sprite_ = Plain(40, 30);
  Scribble(sprite_, 11);
  Scribble(back_, 5);
  if (event.bpp == 8) {
    palette_ = MakePalette(3);
    ASSERT_EQ(primary_->SetPalette(palette_), DD_OK);
  }
  Scribble(primary_, 1);
  const unsigned before = machine::frames_presented();

  event.act(*this);

  ASSERT_EQ(machine::frames_presented(), before + 1) << event.name;
  const machine::PresentedFrame frame = machine::last_presented_frame();
  EXPECT_EQ(frame.width, 640u);
  EXPECT_EQ(frame.height, 480u);
  EXPECT_EQ(frame.bpp, event.bpp);
  ASSERT_EQ(frame.pixels, PrimaryBytes(bytes)) << event.name;
  if (event.bpp == 8) {
    const machine::FrontBuffer shown = machine::front_buffer();
    ASSERT_EQ(frame.palette.size(), 256u);
    for (unsigned x = 0; x < 640; x += 37) {
      EXPECT_EQ(frame.palette[frame.value(x, 3)], shown.pixel(x, 3)) << "colour at " << x;
    }
  } else {
    EXPECT_TRUE(frame.palette.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(EveryChange, PresentEventTest, ::testing::ValuesIn(kFrontEvents),
                         [](const ::testing::TestParamInfo<FrontEvent> &each) { return std::string(each.param.name); });

class PresentTest : public DisplayChainTest {};

// Drawing that leaves the front buffer as it was presents nothing.
TEST_F(PresentTest, NothingPresentsWhileTheFrontBufferStands) {
  StartChain(16);
  IDirectDrawSurface7 *sprite = Plain(16, 16);
  IDirectDrawPalette *unattached = MakePalette(4);
  const unsigned before = machine::frames_presented();
  DDBLTFX fx{};
  fx.dwSize = sizeof fx;
  EXPECT_EQ(back_->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
  EXPECT_EQ(back_->BltFast(0, 0, sprite, nullptr, DDBLTFAST_WAIT), DD_OK);
  Scribble(back_, 2);
  EXPECT_EQ(sprite->Blt(nullptr, primary_, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  RECT outside{600, 0, 700, 10};
  EXPECT_EQ(primary_->Blt(&outside, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DDERR_INVALIDRECT);
  EXPECT_EQ(primary_->Unlock(nullptr), DDERR_NOTLOCKED);
  PALETTEENTRY entry{1, 2, 3, 0};
  EXPECT_EQ(unattached->SetEntries(0, 0, 1, &entry), DD_OK);
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  ASSERT_EQ(back_->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
  EXPECT_EQ(primary_->Flip(nullptr, 0), DDERR_SURFACEBUSY) << "a refused flip shows nothing new";
  EXPECT_EQ(back_->Unlock(nullptr), DD_OK);
  EXPECT_EQ(machine::frames_presented(), before);
  EXPECT_EQ(primary_->Flip(nullptr, 0), DD_OK);
  EXPECT_EQ(machine::frames_presented(), before + 1);
  unattached->Release();
}

// After a run of small changes the kept frame is still the whole front
// buffer: unchanged parts from earlier frames, changed parts fresh.
TEST_F(PresentTest, KeptFrameFollowsASequenceOfChanges) {
  StartChain(32);
  IDirectDrawSurface7 *sprite = Plain(24, 24);
  Scribble(sprite, 9);
  Scribble(back_, 3);
  ASSERT_EQ(primary_->Flip(nullptr, DDFLIP_WAIT), DD_OK);
  for (int i = 0; i < 6; ++i) {
    ASSERT_EQ(primary_->BltFast(static_cast<DWORD>(i * 97), static_cast<DWORD>(i * 61), sprite, nullptr, 0), DD_OK);
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = 0x010203u * static_cast<DWORD>(i + 1);
    RECT bar{i * 50, 400, i * 50 + 30, 470};
    ASSERT_EQ(primary_->Blt(&bar, nullptr, nullptr, DDBLT_COLORFILL, &fx), DD_OK);
    const std::vector<uint8_t> kept = machine::last_presented_frame().pixels;
    ASSERT_EQ(kept, PrimaryBytes(4)) << "after change " << i;
  }
  // A primary of another mode: its first frame is kept whole.
  made_.erase(std::find(made_.begin(), made_.end(), back_));
  back_->Release();
  primary_->Release();
  ASSERT_EQ(dd_->SetDisplayMode(800, 600, 16, 0, 0), DD_OK);
  MakeChain();
  Scribble(back_, 8);
  ASSERT_EQ(primary_->Flip(nullptr, DDFLIP_WAIT), DD_OK);
  const machine::PresentedFrame frame = machine::last_presented_frame();
  EXPECT_EQ(frame.width, 800u);
  EXPECT_EQ(frame.bpp, 16u);
  EXPECT_EQ(frame.pixels, PrimaryBytes(2));
}

TEST_F(PresentTest, DriverChosenByEnvironmentOrControl) {
  // The default first, then the desktop window.
  EXPECT_EQ(machine::video_drivers(), (std::vector<std::string>{"headless", "window"}));
  EXPECT_EQ(machine::video_driver(), "headless");
  EXPECT_FALSE(machine::use_video_driver("no-such-window"));
  EXPECT_EQ(machine::video_driver(), "headless");
  EXPECT_TRUE(machine::use_video_driver("headless"));

  setenv("KORVANE_VIDEO", "no-such-window", 1);
  machine::reset();
  EXPECT_EQ(machine::video_driver(), "headless") << "an unknown name falls back to the default";
  setenv("KORVANE_VIDEO", "headless", 1);
  machine::reset();
  EXPECT_EQ(machine::video_driver(), "headless");

  StartChain(16);
  ASSERT_EQ(primary_->Flip(nullptr, DDFLIP_WAIT), DD_OK);
  EXPECT_EQ(machine::frames_presented(), 1u);
  EXPECT_EQ(machine::last_presented_frame().width, 640u);
  machine::reset();
  EXPECT_EQ(machine::frames_presented(), 0u);
  EXPECT_EQ(machine::last_presented_frame().width, 0u);
}

// A stand-in Direct3D module: its factory records the DirectDraw object it
// was asked for and answers with a fixed object or a fixed failure.
struct FakeDirect3D {
  static IDirectDraw7 *askedOf;
  static HRESULT answer;
  static int calls;
  static int object;
  static HRESULT Factory(IDirectDraw7 *directDraw, void **direct3d) {
    ++calls;
    askedOf = directDraw;
    if (FAILED(answer)) {
      *direct3d = &object;  // left behind on purpose: QueryInterface must clear it
      return answer;
    }
    *direct3d = &object;
    return answer;
  }
};
IDirectDraw7 *FakeDirect3D::askedOf = nullptr;
HRESULT FakeDirect3D::answer = S_OK;
int FakeDirect3D::calls = 0;
int FakeDirect3D::object = 0;

class Direct3DHookTest : public DisplayChainTest {
 protected:
  void SetUp() override {
    DisplayChainTest::SetUp();
    FakeDirect3D::calls = 0;
    FakeDirect3D::answer = S_OK;
  }
  void TearDown() override {
    platform::RegisterDirect3DFactory(nullptr);
    DisplayChainTest::TearDown();
  }
};

TEST_F(Direct3DHookTest, QueryInterfaceAsksTheRegisteredFactory) {
  StartChain(16);
  // As a platform without a Direct3D module would be.
  platform::RegisterDirect3DFactory(nullptr);
  void *direct3d = reinterpret_cast<void *>(1);
  EXPECT_EQ(dd_->QueryInterface(IID_IDirect3D7, &direct3d), E_NOINTERFACE) << "no module registered";
  EXPECT_EQ(direct3d, nullptr);

  platform::RegisterDirect3DFactory(FakeDirect3D::Factory);
  EXPECT_EQ(dd_->QueryInterface(IID_IDirect3D7, &direct3d), S_OK);
  EXPECT_EQ(direct3d, &FakeDirect3D::object);
  EXPECT_EQ(FakeDirect3D::askedOf, dd_);

  FakeDirect3D::answer = DDERR_OUTOFMEMORY;
  direct3d = nullptr;
  EXPECT_EQ(dd_->QueryInterface(IID_IDirect3D7, &direct3d), DDERR_OUTOFMEMORY);
  EXPECT_EQ(direct3d, nullptr) << "a failing factory leaves no object behind";

  machine::fail_next("IDirectDraw7::QueryInterface", 1, E_FAIL);
  EXPECT_EQ(dd_->QueryInterface(IID_IDirect3D7, &direct3d), E_FAIL);
  EXPECT_EQ(FakeDirect3D::calls, 2) << "an injected fault comes before the factory";
  EXPECT_EQ(dd_->QueryInterface(IID_IDirect3D7, nullptr), E_POINTER);
  EXPECT_EQ(FakeDirect3D::calls, 2);

  platform::RegisterDirect3DFactory(nullptr);
  EXPECT_EQ(dd_->QueryInterface(IID_IDirect3D7, &direct3d), E_NOINTERFACE);
  // Other interfaces are answered as before.
  void *same = nullptr;
  EXPECT_EQ(dd_->QueryInterface(IID_IDirectDraw7, &same), S_OK);
  EXPECT_EQ(same, dd_);
  dd_->Release();
}

TEST_F(Direct3DHookTest, SurfaceGivesItsDirectDrawObject) {
  StartChain(16);
  void *object = nullptr;
  EXPECT_EQ(back_->GetDDInterface(&object), DD_OK);
  EXPECT_EQ(object, dd_);
  static_cast<IDirectDraw7 *>(object)->Release();
  EXPECT_EQ(back_->GetDDInterface(nullptr), DDERR_INVALIDPARAMS);
}

// A listener that writes down what it hears, and may release a surface
// when it hears of another being lost.
struct Heard {
  std::vector<std::pair<IDirectDrawSurface7 *, platform::SurfaceEvent>> events;
  IDirectDrawSurface7 *releaseOnLoss = nullptr;
  size_t Count(IDirectDrawSurface7 *surface, platform::SurfaceEvent event) const {
    size_t count = 0;
    for (const auto &each : events) count += each.first == surface && each.second == event;
    return count;
  }
  static void Listen(void *context, IDirectDrawSurface7 *surface, platform::SurfaceEvent event) {
    auto *heard = static_cast<Heard *>(context);
    heard->events.emplace_back(surface, event);
    if (event == platform::SurfaceEvent::kLost && heard->releaseOnLoss != nullptr && heard->releaseOnLoss != surface) {
      IDirectDrawSurface7 *release = heard->releaseOnLoss;
      heard->releaseOnLoss = nullptr;
      release->Release();
    }
  }
};

class SurfaceListenerTest : public DisplayChainTest {
 protected:
  void TearDown() override {
    platform::RemoveSurfaceListener(Heard::Listen, &heard_);
    DisplayChainTest::TearDown();
  }
  Heard heard_;
};

TEST_F(SurfaceListenerTest, LossRestoreAndReleaseAreTold) {
  using platform::SurfaceEvent;
  StartChain(16);
  IDirectDrawSurface7 *video = Plain(8, 8, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY);
  IDirectDrawSurface7 *system = Plain(8, 8, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY);
  platform::AddSurfaceListener(Heard::Listen, &heard_);
  platform::AddSurfaceListener(Heard::Listen, &heard_);  // once is enough

  machine::lose_all_surfaces();
  EXPECT_EQ(heard_.Count(video, SurfaceEvent::kLost), 1u);
  EXPECT_EQ(heard_.Count(primary_, SurfaceEvent::kLost), 1u);
  EXPECT_EQ(heard_.Count(back_, SurfaceEvent::kLost), 1u);
  EXPECT_EQ(heard_.Count(system, SurfaceEvent::kLost), 0u) << "system memory is kept";
  machine::lose_all_surfaces();
  EXPECT_EQ(heard_.Count(video, SurfaceEvent::kLost), 1u) << "a lost surface is not lost again";

  ASSERT_EQ(primary_->Restore(), DD_OK);
  EXPECT_EQ(heard_.Count(primary_, SurfaceEvent::kRestored), 1u);
  EXPECT_EQ(heard_.Count(back_, SurfaceEvent::kRestored), 1u);
  EXPECT_EQ(heard_.Count(video, SurfaceEvent::kRestored), 0u);
  ASSERT_EQ(dd_->RestoreAllSurfaces(), DD_OK);
  EXPECT_EQ(heard_.Count(video, SurfaceEvent::kRestored), 1u);
  EXPECT_EQ(heard_.Count(primary_, SurfaceEvent::kRestored), 1u) << "restored once only";

  ASSERT_EQ(dd_->SetDisplayMode(800, 600, 16, 0, 0), DD_OK);
  EXPECT_EQ(heard_.Count(video, SurfaceEvent::kLost), 2u) << "a mode change loses surfaces";

  made_.clear();  // released here instead
  video->Release();
  system->Release();
  EXPECT_EQ(heard_.Count(video, SurfaceEvent::kReleased), 1u);
  EXPECT_EQ(heard_.Count(system, SurfaceEvent::kReleased), 1u);
  IDirectDrawSurface7 *back = back_;
  primary_->Release();
  primary_ = nullptr;
  EXPECT_EQ(heard_.Count(back, SurfaceEvent::kReleased), 1u) << "back buffers go with their primary";

  platform::RemoveSurfaceListener(Heard::Listen, &heard_);
  const size_t heardSoFar = heard_.events.size();
  Plain(4, 4, DDSCAPS_VIDEOMEMORY)->Release();
  made_.clear();
  EXPECT_EQ(heard_.events.size(), heardSoFar) << "a removed listener hears nothing";
}

// The listener releases `second` on the first loss it hears of another
// surface: `second` is then told as released, and nothing after that.
TEST_F(SurfaceListenerTest, ListenerMayReleaseSurfacesItHearsOf) {
  using platform::SurfaceEvent;
  StartChain(16);
  IDirectDrawSurface7 *first = Plain(8, 8, DDSCAPS_VIDEOMEMORY);
  IDirectDrawSurface7 *second = Plain(8, 8, DDSCAPS_VIDEOMEMORY);
  made_ = {back_, first};
  heard_.releaseOnLoss = second;
  platform::AddSurfaceListener(Heard::Listen, &heard_);
  machine::lose_all_surfaces();
  EXPECT_EQ(heard_.releaseOnLoss, nullptr);
  EXPECT_EQ(heard_.Count(first, SurfaceEvent::kLost), 1u);
  EXPECT_EQ(heard_.Count(second, SurfaceEvent::kReleased), 1u);
  EXPECT_LE(heard_.Count(second, SurfaceEvent::kLost), 1u);
  bool released = false;
  for (const auto &each : heard_.events) {
    if (each.first != second) continue;
    EXPECT_FALSE(released) << "told of after its release";
    released = each.second == SurfaceEvent::kReleased;
  }
}

}  // namespace
