// The DirectDraw device and mode setting through the exports: the mode list
// and its ids, IS_VMODE, SET_VIDEO_MODE with its surfaces and 16-bit probe,
// SWITCH_TO_VMODE / RESTORE_VMODE, memory queries, DDRAW_RELEASE, and every
// failure row reached by fault injection.
#include <string>
#include <vector>

#include "core/allocation.h"
#include "display/display_state.h"
#include "display/display_surfaces.h"
#include "support/display_test.h"

namespace {

using Lines = std::vector<std::string>;

class DisplayModesTest : public DisplayTest {};

TEST_F(DisplayModesTest, DefaultModeListHasIdsInEnumerationOrder) {
  Start();
  ASSERT_EQ(DDRAW_INIT(), 0);
  EXPECT_EQ(GET_NUMBER_OF_VIDEO_MODES(), 12);
  EXPECT_STREQ(GET_VIDEO_MODE_DESC(1), "640x480x8");
  EXPECT_STREQ(GET_VIDEO_MODE_DESC(2), "640x480x16");
  EXPECT_STREQ(GET_VIDEO_MODE_DESC(12), "1024x768x32");
  EXPECT_STREQ(GET_VIDEO_MODE_DESC(13), "Empty");
  EXPECT_STREQ(GET_VIDEO_MODE_DESC(0), "Empty");
  ASSERT_NE(gVideoModes, nullptr);
  EXPECT_EQ(gVideoModes->id, 12) << "the newest mode heads the list";
  EXPECT_EQ(IS_DDRAW_VALID(), 1);
  EXPECT_TRUE(HasLine(" DirectDraw7 Initialized."));
}

TEST_F(DisplayModesTest, IdsCountOnAcrossReleaseAndInit) {
  Start();
  ASSERT_EQ(DDRAW_INIT(), 0);
  DDRAW_RELEASE();
  EXPECT_EQ(IS_DDRAW_VALID(), 0);
  EXPECT_EQ(GET_NUMBER_OF_VIDEO_MODES(), 12) << "kept after release";
  ASSERT_EQ(DDRAW_INIT(), 0);
  EXPECT_EQ(GET_NUMBER_OF_VIDEO_MODES(), 24);
  EXPECT_STREQ(GET_VIDEO_MODE_DESC(1), "Empty");
  EXPECT_STREQ(GET_VIDEO_MODE_DESC(13), "640x480x8");
  EXPECT_STREQ(GET_VIDEO_MODE_DESC(24), "1024x768x32");
}

TEST_F(DisplayModesTest, IsVModeAsksDirectDrawAndStopsAtTheMatch) {
  Start();
  EXPECT_EQ(IS_VMODE(640, 480, 16), 0) << "no DirectDraw object yet";
  ASSERT_EQ(DDRAW_INIT(), 0);
  machine::set_display_modes({{640, 480, 16}, {800, 600, 16}});
  EXPECT_EQ(IS_VMODE(640, 480, 16), 1);
  EXPECT_EQ(IS_VMODE(800, 600, 16), 1);
  EXPECT_EQ(IS_VMODE(800, 600, 32), 0);
  EXPECT_EQ(IS_VMODE(1024, 768, 32), 0);
  machine::fail_next("IDirectDraw7::EnumDisplayModes", 1, DDERR_GENERIC);
  EXPECT_EQ(IS_VMODE(640, 480, 16), 0);
  EXPECT_TRUE(HasLine(" ! IS_VIDEOMODE - Couldn't enumerate mode. "));
}

TEST_F(DisplayModesTest, InitFailureRows) {
  struct Row {
    const char *operation;
    int result;
    bool objectKept;
    const char *line;
  };
  const Row rows[] = {
      {"DirectDrawCreateEx", 1, false, " ! - DirectDrawCreateEx Failed"},
      {"IDirectDraw7::SetCooperativeLevel", 1, true, " ! - DD7 SetCooperativeLevel Failed"},
      {"IDirectDraw7::EnumDisplayModes", 0, true, " ! - Couldn't enumerate modes. "},
  };
  Start();
  for (const Row &row : rows) {
    SCOPED_TRACE(row.operation);
    DDRAW_RELEASE();
    Mark();
    machine::fail_next(row.operation, 1, DDERR_GENERIC);
    EXPECT_EQ(DDRAW_INIT(), row.result);
    EXPECT_EQ(IS_DDRAW_VALID(), row.objectKept ? 1 : 0);
    const Lines lines = NewLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), row.line);
  }
}

// Memory for a mode record running out ends the listing the way a failed
// enumeration does: the line, result 0, the modes found so far; no id is
// spent on the mode that could not be kept, and nothing is thrown.
TEST_F(DisplayModesTest, RunningOutOfMemoryWhileListingKeepsTheModesFound) {
  Start();
  korvane::FailAllocationsAfter(3, 1);
  Mark();
  EXPECT_EQ(DDRAW_INIT(), 0);
  EXPECT_EQ(NewLines(), (Lines{" DirectDraw7 Initialized.", " ! - Couldn't enumerate modes. "}));
  EXPECT_EQ(GET_NUMBER_OF_VIDEO_MODES(), 3);
  EXPECT_STREQ(GET_VIDEO_MODE_DESC(3), "640x480x24");
  EXPECT_STREQ(GET_VIDEO_MODE_DESC(4), "Empty");
  DDRAW_RELEASE();
  ASSERT_EQ(DDRAW_INIT(), 0);
  EXPECT_EQ(GET_NUMBER_OF_VIDEO_MODES(), 15);
  EXPECT_STREQ(GET_VIDEO_MODE_DESC(4), "640x480x8");
}

// The text is kept whole even for the longest numbers DirectDraw can give.
TEST_F(DisplayModesTest, ModeTextsOfExtremeSizesAreWhole) {
  Start();
  machine::set_display_modes({{0x80000000u, 0xFFFFFFFFu, 32}});
  ASSERT_EQ(DDRAW_INIT(), 0);
  EXPECT_STREQ(GET_VIDEO_MODE_DESC(1), "-2147483648x-1x32");
}

TEST_F(DisplayModesTest, SetVideoModeBuildsTheChainAndClearsBothBuffers) {
  StartInMode(800, 600, 32);
  EXPECT_EQ(gScreenWidth, 800);
  EXPECT_EQ(gScreenHeight, 600);
  EXPECT_EQ(gScreenBpp, 32);
  ASSERT_NE(glpDDSPrimary, nullptr);
  ASSERT_NE(glpDDSBack, nullptr);
  EXPECT_EQ(glpDDPalette, nullptr);
  EXPECT_EQ(machine::current_display_mode().width, 800u);
  EXPECT_EQ(machine::flips_done(), 1u) << "one flip so that both buffers are cleared";
  EXPECT_EQ(gSurfaceDesc.dwFlags, static_cast<DWORD>(DDSD_CAPS | DDSD_CKSRCBLT | DDSD_BACKBUFFERCOUNT));
  EXPECT_EQ(gSurfaceDesc.ddsCaps.dwCaps, static_cast<DWORD>(0x2018 | DDSCAPS_PRIMARYSURFACE | DDSCAPS_VIDEOMEMORY));
  const machine::FrontBuffer front = machine::front_buffer();
  ASSERT_EQ(front.width, 800u);
  EXPECT_EQ(front.pixel(0, 0), 0u);
  EXPECT_EQ(front.pixel(799, 599), 0u);
}

TEST_F(DisplayModesTest, BackBufferCountsShapeTheChain) {
  struct Row {
    unsigned count;
    int placement;
    bool hasBack;
    unsigned flips;
    int storedPlacement;
  };
  const Row rows[] = {{0, 1, false, 0, 1}, {1, -4, true, 1, 0}, {2, 5, true, 1, 1}};
  for (const Row &row : rows) {
    SCOPED_TRACE(row.count);
    machine::reset();
    Start();
    EXPECT_EQ(CFG_VIDEO_MODE(row.count, row.placement), row.count);
    EXPECT_EQ(gUseVideoMemory, row.storedPlacement);
    ASSERT_EQ(DDRAW_INIT(), 0);
    ASSERT_EQ(SET_VIDEO_MODE(640, 480, 8), 0);
    EXPECT_EQ(glpDDSBack != nullptr, row.hasBack);
    EXPECT_EQ(machine::flips_done(), row.flips);
    EXPECT_EQ(HasLine("Setting Palette for glpDDSBack"), row.hasBack);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    ASSERT_EQ(glpDDSPrimary->GetSurfaceDesc(&desc), DD_OK);
    EXPECT_EQ(desc.dwBackBufferCount, row.count);
    EXPECT_EQ((desc.ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY) != 0, row.storedPlacement == 1);
    DDRAW_RELEASE();
    KORVANE_EXIT();
  }
}

TEST_F(DisplayModesTest, SixteenBitProbeCountsTheChannels) {
  struct Row {
    bool rgb555;
    int red, green, blue;
  };
  for (const Row &row : {Row{false, 5, 6, 5}, Row{true, 5, 5, 5}}) {
    SCOPED_TRACE(row.rgb555);
    machine::reset();
    machine::use_rgb555(row.rgb555);
    StartInMode(640, 480, 16);
    EXPECT_EQ(gRedBits, row.red);
    EXPECT_EQ(gGreenBits, row.green);
    EXPECT_EQ(gBlueBits, row.blue);
    KORVANE_EXIT();
  }
}

TEST_F(DisplayModesTest, FailedProbeKeepsTheWidths) {
  Start();
  ASSERT_EQ(DDRAW_INIT(), 0);
  gRedBits = gGreenBits = gBlueBits = 7;
  machine::fail_next("IDirectDrawSurface7::GetPixelFormat", 1, DDERR_SURFACELOST);
  EXPECT_EQ(SET_VIDEO_MODE(640, 480, 16), 0);
  EXPECT_EQ(gGreenBits, 7);
  EXPECT_TRUE(HasLine("DDERR_SURFACELOST"));
  EXPECT_TRUE(HasLine("!!! DDS7_GetPixelFormat failed !!!"));
}

TEST_F(DisplayModesTest, SetDisplayModeFailures) {
  Start();
  ASSERT_EQ(DDRAW_INIT(), 0);
  // A named result: no surfaces, the mode globals keep the request.
  Mark();
  EXPECT_EQ(SET_VIDEO_MODE(1280, 1024, 32), 1);
  EXPECT_EQ(NewLines(), (Lines{"DDERR_INVALIDMODE", " ! - SetDisplayMode Failed"}));
  EXPECT_EQ(gScreenWidth, 1280);
  EXPECT_EQ(glpDDSPrimary, nullptr);
  // An unnamed result: the surfaces are made all the same.
  Mark();
  machine::fail_next("IDirectDraw7::SetDisplayMode", 1, static_cast<HRESULT>(0x80001234));
  EXPECT_EQ(SET_VIDEO_MODE(640, 480, 32), 0);
  EXPECT_EQ(NewLines().front(), " ??? IDD7_SetDisplayMode returned an unknown error ???");
  EXPECT_NE(glpDDSPrimary, nullptr);
}

TEST_F(DisplayModesTest, SurfaceStepFailuresRaiseTheCriticalReport) {
  for (const char *operation :
       {"IDirectDraw7::CreateSurface", "IDirectDrawSurface7::GetAttachedSurface", "IDirectDrawSurface7::Blt"}) {
    SCOPED_TRACE(operation);
    machine::reset();
    Start();
    ASSERT_EQ(DDRAW_INIT(), 0);
    machine::fail_next(operation, 1, DDERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(SET_VIDEO_MODE(640, 480, 32), 1);
    EXPECT_TRUE(HasLine("!!! DDERR_OUTOFVIDEOMEMORY !!!"));
    ASSERT_EQ(machine::message_boxes().size(), 1u);
    EXPECT_EQ(machine::message_boxes()[0].caption, "Critical!!!");
    EXPECT_EQ(ON_ERROR(), 1);
    EXPECT_NE(glpDDSPrimary, nullptr) << "the critical report rebuilt the surfaces";
    EXPECT_NE(glpDDSBack, nullptr);
    KORVANE_EXIT();
  }
}

TEST_F(DisplayModesTest, PaletteStepFailureReportsAndCreationGoesOn) {
  struct Row {
    const char *operation;
    Lines lines;  // brief mode: the failure, then the rebuild's palette line
  };
  const Row rows[] = {
      {"IDirectDraw7::CreatePalette", {"!!! DDERR_GENERIC !!!", "Setting Palette for glpDDSBack"}},
      {"IDirectDrawSurface7::SetPalette", {"!!! DDERR_GENERIC !!!", "Setting Palette for glpDDSBack"}},
      {"IDirectDrawPalette::SetEntries",
       {"Setting Palette for glpDDSBack", "!!! DDERR_GENERIC !!!", "Setting Palette for glpDDSBack"}},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.operation);
    machine::reset();
    Start(0);
    ASSERT_EQ(DDRAW_INIT(), 0);
    Mark();
    machine::fail_next(row.operation, 1, DDERR_GENERIC);
    EXPECT_EQ(SET_VIDEO_MODE(640, 480, 8), 0) << "creation goes on";
    EXPECT_EQ(NewLines(), row.lines);
    EXPECT_EQ(ON_ERROR(), 1);
    EXPECT_EQ(machine::message_boxes().size(), 1u);
    EXPECT_NE(glpDDSBack, nullptr);
    EXPECT_NE(glpDDPalette, nullptr) << "the critical report's rebuild made the palette";
    KORVANE_EXIT();
  }
}

TEST_F(DisplayModesTest, FailingBackBufferPaletteWritesItsLineBeforeTheCriticalReport) {
  StartInMode(640, 480, 8, 0);
  // A 16-bit surface in the back buffer's place refuses a palette.
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
  desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
  desc.dwWidth = desc.dwHeight = 8;
  desc.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
  desc.ddpfPixelFormat.dwFlags = DDPF_RGB;
  desc.ddpfPixelFormat.dwRGBBitCount = 16;
  desc.ddpfPixelFormat.dwRBitMask = 0xF800;
  desc.ddpfPixelFormat.dwGBitMask = 0x07E0;
  desc.ddpfPixelFormat.dwBBitMask = 0x001F;
  LPDIRECTDRAWSURFACE7 refusing = nullptr;
  ASSERT_EQ(glpDD->CreateSurface(&desc, &refusing, nullptr), DD_OK);
  glpDDSBack->Release();  // the chain keeps the real back buffer
  glpDDSBack = refusing;
  Mark();
  EXPECT_EQ(CreateDefaultPalette(true), 1);
  EXPECT_EQ(NewLines(), (Lines{"Setting Palette for glpDDSBack", "SetPalette for glpDDSBack",
                               "!!! DDERR_INVALIDPIXELFORMAT !!!", "Setting Palette for glpDDSBack"}));
  EXPECT_EQ(ON_ERROR(), 1);
  ASSERT_NE(glpDDSBack, nullptr);
  DDPIXELFORMAT format{};
  format.dwSize = sizeof format;
  ASSERT_EQ(glpDDSBack->GetPixelFormat(&format), DD_OK);
  EXPECT_EQ(format.dwRGBBitCount, 8u) << "the critical report rebuilt the chain";
}

TEST_F(DisplayModesTest, CriticalReportRebuildsOnlyWithADirectDrawObject) {
  Start();
  EXPECT_EQ(ERROR_MESSAGE("before DDRAW_INIT"), 0);
  EXPECT_EQ(glpDDSPrimary, nullptr) << "nothing to rebuild without DirectDraw";
  ASSERT_EQ(DDRAW_INIT(), 0);
  // Before any SET_VIDEO_MODE the rebuild makes the chain in the display's
  // current mode.
  EXPECT_EQ(ERROR_MESSAGE("before SET_VIDEO_MODE"), 0);
  ASSERT_NE(glpDDSPrimary, nullptr);
  EXPECT_NE(glpDDSBack, nullptr);
  EXPECT_EQ(glpDDPalette, nullptr);
  ASSERT_EQ(SURFACE_LOCK(), 0);
  EXPECT_EQ(gSurfaceDesc.dwWidth, machine::current_display_mode().width);
  ASSERT_EQ(SURFACE_UNLOCK(), 0);
  Mark();
  ASSERT_EQ(SET_VIDEO_MODE(640, 480, 16), 0);
  const Lines lines = NewLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(Lines(lines.begin(), lines.begin() + 2),
            (Lines{" --- Previous Back Buffer Released ---", " --- Previous Primary Buffer Released ---"}));
}

TEST_F(DisplayModesTest, RebuildStopsQuietlyAtAFailingStep) {
  StartInMode(640, 480, 8);
  machine::fail_next("IDirectDraw7::CreatePalette", 1, DDERR_GENERIC);
  const size_t boxes = machine::message_boxes().size();
  EXPECT_EQ(RebuildDisplaySurfaces(), 1);
  EXPECT_EQ(machine::message_boxes().size(), boxes) << "no critical report of its own";
  EXPECT_EQ(RebuildDisplaySurfaces(), 0);
  EXPECT_NE(glpDDPalette, nullptr);
}

TEST_F(DisplayModesTest, SwitchAndRestoreKeepOneSavedMode) {
  StartInMode(640, 480, 16);
  Mark();
  EXPECT_NE(SWITCH_TO_VMODE(99), 0) << "the report line was written";
  EXPECT_EQ(NewLines(), Lines{"!!! Switch_To_Video Mode ID 99 Invalid !!!"});
  EXPECT_EQ(gScreenBpp, 16);
  EXPECT_EQ(SWITCH_TO_VMODE(12), 0);  // 1024x768x32
  EXPECT_EQ(SWITCH_TO_VMODE(5), 0);   // 800x600x8
  EXPECT_EQ(gScreenWidth, 800);
  EXPECT_EQ(RESTORE_VMODE(), 0);
  EXPECT_EQ(gScreenWidth, 1024) << "the mode before the last switch";
  Mark();
  EXPECT_NE(RESTORE_VMODE(), 0);
  EXPECT_EQ(NewLines(), Lines{"!!! There's No Video Mode to Restore to !!!"});
}

TEST_F(DisplayModesTest, MemoryQueriesFollowTheAccounting) {
  Start();
  EXPECT_EQ(TOTAL_VIDEO_MEMORY(), 0u) << "no DirectDraw object";
  ASSERT_EQ(DDRAW_INIT(), 0);
  EXPECT_EQ(TOTAL_VIDEO_MEMORY(), 32u * 1024 * 1024);
  EXPECT_EQ(TOTAL_TEXTURE_MEMORY(), 32u * 1024 * 1024);
  EXPECT_EQ(AVAIL_VIDEO_MEMORY(), 32u * 1024 * 1024);
  ASSERT_EQ(SET_VIDEO_MODE(640, 480, 16), 0);
  EXPECT_EQ(AVAIL_VIDEO_MEMORY(), 32u * 1024 * 1024 - 2 * 640 * 480 * 2);
  EXPECT_EQ(AVAIL_TEXTURE_MEMORY(), AVAIL_VIDEO_MEMORY());
  machine::fail_next("IDirectDraw7::GetAvailableVidMem", 1, DDERR_GENERIC);
  EXPECT_EQ(TOTAL_VIDEO_MEMORY(), 0u);
}

TEST_F(DisplayModesTest, ReleaseWritesItsLinesAndFreesEverything) {
  StartInMode(640, 480, 8);
  Mark();
  EXPECT_EQ(DDRAW_RELEASE(), 0);
  EXPECT_EQ(NewLines(), (Lines{"### DIRECT DRAW RELEASE OBJECTS ###", " --- Palette Released ---",
                               " --- Back Buffer Released ---", " --- Primary Buffer Released ---",
                               " +++ Video Modes FreeAll begin +++", " +++ Video Modes FreeAll end +++",
                               " +++ Bitmap_FreeAll begin +++", " +++ Bitmap_FreeAll end +++",
                               " --- DirectDraw Released ---", "###################################"}));
  EXPECT_EQ(gVideoModes, nullptr);
  EXPECT_EQ(machine::live_directdraw_objects(), 0);
  EXPECT_EQ(machine::live_directdraw_surfaces(), 0);
  EXPECT_EQ(machine::live_directdraw_palettes(), 0);
  EXPECT_EQ(machine::current_display_mode().width, 1024u) << "the desktop mode is back";
}

TEST_F(DisplayModesTest, ModeChangeReleasesThePreviousSurfacesWithDetailLines) {
  StartInMode(640, 480, 8);
  Mark();
  ASSERT_EQ(SET_VIDEO_MODE(640, 480, 32), 0);
  const Lines lines = NewLines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(Lines(lines.begin(), lines.begin() + 3),
            (Lines{" --- Previous Palette Released ---", " --- Previous Back Buffer Released ---",
                   " --- Previous Primary Buffer Released ---"}));
  EXPECT_EQ(machine::live_directdraw_surfaces(), 2);
}

TEST_F(DisplayModesTest, ExportsWithoutDisplayRefuseSafely) {
  Start();
  EXPECT_EQ(SET_VIDEO_MODE(640, 480, 16), 1);
  EXPECT_EQ(SURFACE_LOCK(), 1);
  EXPECT_EQ(CLEAR_SURFACE(0), 1);
  EXPECT_EQ(SURFACE_FLIP(), 1);
  EXPECT_NE(WAIT_FOR_VB(0), 0);
  EXPECT_NE(SWITCH_TO_VMODE(1), 0);
  EXPECT_TRUE(HasLine("??? No Surface ???"));
  EXPECT_EQ(ON_ERROR(), 0);
}

TEST_F(DisplayModesTest, SecondInitReplacesTheFirstObject) {
  StartInMode(640, 480, 16);
  ASSERT_EQ(DDRAW_INIT(), 0) << "the earlier object's exclusive hold is let go";
  EXPECT_EQ(machine::live_directdraw_objects(), 1);
  EXPECT_EQ(glpDDSPrimary, nullptr);
  EXPECT_EQ(SET_VIDEO_MODE(640, 480, 16), 0);
}

}  // namespace
