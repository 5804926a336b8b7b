// The Direct3D device through its exports: the report of CREATE3D_DEVICE on
// the default machine, without a HAL and without a matching z-buffer depth,
// every failing step reached by fault injection, the release order and its
// mends (the z-buffer detached, the RGB fall-back keeping depth), the
// display surfaces released and rebuilt under a device, and calls out of
// order.
#include <tuple>

#include "core/error_names.h"
#include "d3d/d3d_format_report.h"
#include "d3d/d3d_state.h"
#include "machine_faults.h"
#include "support/d3d_library_test.h"

namespace {

class D3DDevice : public D3DLibraryTest {};

TEST_F(D3DDevice, DefaultMachineReportsFormatsAndUsesTheHal) {
  StartDisplay(640, 480, 32);
  ASSERT_EQ(D3D_INIT(), 0);
  Mark();
  ASSERT_EQ(CREATE3D_DEVICE(1, 16), 0);
  const std::vector<std::string> lines = NewLines();
  ASSERT_GE(lines.size(), 10u);
  EXPECT_EQ(lines[0], "3D Hardware Mode Choosen");
  EXPECT_EQ(lines[1], " > ZBuffer Formats Detected Begin < ");
  EXPECT_EQ(LinesBetween(" > ZBuffer Formats Detected Begin < ", " > ZBuffer Formats Detected End   < "),
            (std::vector<std::string>{"ZBufferBitDepth: 16 bit -- DDPF_FLAG:  DDPF_ZBUFFER",
                                      "ZBufferBitDepth: 24 bit -- DDPF_FLAG:  DDPF_ZBUFFER",
                                      "ZBufferBitDepth: 32 bit -- DDPF_FLAG:  DDPF_STENCILBUFFER DDPF_ZBUFFER",
                                      "ZBufferBitDepth: 32 bit -- DDPF_FLAG:  DDPF_ZBUFFER"}));
  EXPECT_TRUE(HasLine("ZBuffer 16 Bit Depth used"));
  EXPECT_TRUE(HasLine("--DDSCAPS_VIDEOMEMORY"));
  EXPECT_TRUE(HasLine("3D Hardware(HAL) used"));
  EXPECT_EQ(LinesBetween(" > Texture Formats Detected Begin < ", " > Texture Formats Detected End   < "),
            (std::vector<std::string>{"FORMAT: 16 bit 565 -- DDPF_FLAG:  DDPF_RGB",
                                      "FORMAT: 16 bit 555 -- DDPF_FLAG:  DDPF_RGB",
                                      "FORMAT: 16 bit 1555 -- DDPF_FLAG:  DDPF_ALPHAPIXELS DDPF_RGB",
                                      "FORMAT: 16 bit 4444 -- DDPF_FLAG:  DDPF_ALPHAPIXELS DDPF_RGB",
                                      "FORMAT: 32 bit 888 -- DDPF_FLAG:  DDPF_RGB",
                                      "FORMAT: 32 bit 8888 -- DDPF_FLAG:  DDPF_ALPHAPIXELS DDPF_RGB",
                                      "FORMAT: 8 bit -- DDPF_FLAG:  DDPF_PALETTEINDEXED8 DDPF_RGB",
                                      "FORMAT: 8 bit 8 -- DDPF_FLAG:  DDPF_LUMINANCE",
                                      "FORMAT: 16 bit 88 -- DDPF_FLAG:  DDPF_ALPHAPIXELS DDPF_LUMINANCE",
                                      "FORMAT: 8 bit 44 -- DDPF_FLAG:  DDPF_ALPHAPIXELS DDPF_LUMINANCE"}));
  EXPECT_EQ(Boxes(), 0u);
  EXPECT_EQ(ON_ERROR(), 0);
}

TEST_F(D3DDevice, KindOutsideZeroAndOneIsSoftwareWithASystemMemoryZBuffer) {
  StartDisplay(640, 480, 16);
  ASSERT_EQ(D3D_INIT(), 0);
  Mark();
  ASSERT_EQ(CREATE3D_DEVICE(5, 16), 0);
  const std::vector<std::string> lines = NewLines();
  EXPECT_EQ(lines.front(), "3D Software Mode Choosen");
  EXPECT_TRUE(HasLine("--DDSCAPS_SYSTEMMEMORY"));
  EXPECT_FALSE(HasLine("3D Hardware(HAL) used"));
  EXPECT_TRUE(IsEqualGUID(gD3DDeviceType, IID_IDirect3DRGBDevice));
  ASSERT_NE(glpDDSZBuffer, nullptr);
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  ASSERT_EQ(glpDDSZBuffer->GetSurfaceDesc(&desc), DD_OK);
  EXPECT_NE(desc.ddsCaps.dwCaps & DDSCAPS_SYSTEMMEMORY, 0u);
  EXPECT_EQ(desc.dwWidth, 640u);
  EXPECT_EQ(desc.dwHeight, 480u);
}

TEST_F(D3DDevice, NoZBufferRequestedWritesNoZBufferLines) {
  StartDisplay(640, 480, 32);
  ASSERT_EQ(D3D_INIT(), 0);
  Mark();
  ASSERT_EQ(CREATE3D_DEVICE(1, 0), 0);
  const std::vector<std::string> lines = NewLines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "3D Hardware Mode Choosen");
  EXPECT_EQ(lines[1], "3D Hardware(HAL) used");
  EXPECT_EQ(lines[2], " > Texture Formats Detected Begin < ");
  EXPECT_EQ(glpDDSZBuffer, nullptr);
}

// Depths no format has, and formats that are never taken: the lines are
// written, then the refusal; no critical report.
TEST_F(D3DDevice, UnmatchedZBufferDepthsAreRefusedWithoutACriticalReport) {
  const std::vector<std::tuple<int, std::vector<DDPIXELFORMAT>>> cases = {
      {15, {}},
      {12, {}},
      {16, {ZFormat(DDPF_ZBUFFER | DDPF_STENCILBUFFER, 16)}},
      {20, {ZFormat(DDPF_ZBUFFER, 20)}},
  };
  for (const auto &[depth, formats] : cases) {
    SCOPED_TRACE(depth);
    if (!formats.empty()) machine::set_zbuffer_formats(formats);
    StartDisplay(640, 480, 32);
    ASSERT_EQ(D3D_INIT(), 0);
    ASSERT_EQ(CREATE3D_DEVICE(0, depth), 1);
    EXPECT_TRUE(HasLine(" > ZBuffer Formats Detected End   < "));
    EXPECT_TRUE(HasLine(" !!! DirectX is unable to detect a suppported ZBuffer format !!!"));
    EXPECT_EQ(glpD3DDevice, nullptr);
    EXPECT_EQ(glpDDSZBuffer, nullptr);
    EndRun();
  }
}

// Without a HAL, kind 1 shows one critical box and goes on with an RGB
// device. A HAL that lists z-buffer formats but whose device cannot be made
// falls back the same way, and the RGB device still has the z-buffer
// attached (the back buffer it is on was rebuilt by the critical report).
TEST_F(D3DDevice, MissingHalFallsBackToRgb) {
  machine::set_direct3d_hal_present(false);
  StartDisplay(640, 480, 32);
  ASSERT_EQ(D3D_INIT(), 0);
  ASSERT_EQ(CREATE3D_DEVICE(1, 0), 0) << Report();
  ASSERT_EQ(Boxes(), 1u);
  EXPECT_EQ(machine::message_boxes()[0].caption, "Critical!!!");
  EXPECT_TRUE(HasLine("3D Hardware(HAL) not available -- 3D Software(RGB) used"));
  EXPECT_TRUE(IsEqualGUID(gD3DDeviceType, IID_IDirect3DHALDevice));
  EXPECT_EQ(ON_ERROR(), 1);
  // A z-buffer is looked for among the HAL's formats, and there are none.
  ASSERT_EQ(CREATE3D_DEVICE(1, 16), 1);
  EXPECT_TRUE(HasLine(" !!! DirectX is unable to detect a suppported ZBuffer format !!!"));
}

TEST_F(D3DDevice, HalFallBackKeepsTheZBuffer) {
  StartDisplay(640, 480, 32);
  ASSERT_EQ(D3D_INIT(), 0);
  machine::fail_next("IDirect3D7::CreateDevice", 1, D3DERR_INITFAILED);
  ASSERT_EQ(CREATE3D_DEVICE(1, 16), 0) << Report();
  EXPECT_EQ(Boxes(), 1u);
  EXPECT_TRUE(HasLine("3D Hardware(HAL) not available -- 3D Software(RGB) used"));
  ASSERT_NE(glpDDSZBuffer, nullptr);

  // Depth testing works on the new back buffer: a far square drawn after a
  // near one stays hidden.
  ASSERT_EQ(RS_ENABLE_Z_BUFFERING(), 0);
  ASSERT_EQ(CLEAR_VIEWPORT(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0), 0);
  auto square = [](float z, D3DCOLOR colour) {
    std::vector<D3DTLVERTEX> quad(4);
    const float corners[4][2] = {{10, 10}, {50, 10}, {10, 50}, {50, 50}};
    for (int i = 0; i < 4; ++i) {
      quad[i] = D3DTLVERTEX{};
      quad[i].sx = corners[i][0];
      quad[i].sy = corners[i][1];
      quad[i].sz = z;
      quad[i].rhw = 1;
      quad[i].color = colour;
    }
    return quad;
  };
  std::vector<D3DTLVERTEX> nearSquare = square(0.2f, 0xFF00FF00), farSquare = square(0.8f, 0xFFFF0000);
  ASSERT_EQ(BEGIN_SCENE(), 0);
  ASSERT_EQ(DRAW_PRIMITIVE(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, nearSquare.data(), 4, 0), 0);
  ASSERT_EQ(DRAW_PRIMITIVE(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, farSquare.data(), 4, 0), 0);
  ASSERT_EQ(END_SCENE(), 0);
  EXPECT_EQ(Colour(30, 30), 0x00FF00u);
}

// Failing steps of CREATE3D_DEVICE: line, critical boxes, result and what
// is left.
TEST_F(D3DDevice, FailingStepsReportAndLeaveNoDevice) {
  struct Row {
    int kind;
    int depth;
    const char *operation;
    int failures;
    const char *line;  // null: no line of its own
    size_t boxes;
  };
  const Row rows[] = {
      {0, 16, "IDirectDraw7::CreateSurface", 1, "!!! Zbuffer CreateSurface Failed !!!", 1},
      {0, 16, "IDirectDrawSurface7::AddAttachedSurface", 1, "!!! ZBuffer AddAttachedSurface Failed !!!", 1},
      {0, 0, "IDirect3D7::CreateDevice", 1, "3D Software(RGB) not available???? WHAT!!!!!", 1},
      {1, 0, "IDirect3D7::CreateDevice", 2, nullptr, 2},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.operation);
    StartDisplay(640, 480, 32);
    ASSERT_EQ(D3D_INIT(), 0);
    const size_t boxesBefore = Boxes();
    machine::fail_next(row.operation, row.failures, DDERR_OUTOFMEMORY);
    Mark();
    EXPECT_EQ(CREATE3D_DEVICE(row.kind, row.depth), 1);
    if (row.line != nullptr) {
      EXPECT_TRUE(HasLine(row.line));
    }
    EXPECT_TRUE(HasLine("!!! DDERR_OUTOFMEMORY !!!"));
    EXPECT_FALSE(HasLine("3D Hardware(HAL) not available -- 3D Software(RGB) used"));
    EXPECT_EQ(Boxes() - boxesBefore, row.boxes);
    EXPECT_EQ(glpD3DDevice, nullptr);
    EndRun();
    EXPECT_EQ(machine::live_direct3d_devices(), 0);
  }
}

TEST_F(D3DDevice, InitFailureRaisesACriticalReport) {
  StartDisplay(640, 480, 32);
  machine::fail_next("IDirectDraw7::QueryInterface", 1, E_NOINTERFACE);
  EXPECT_EQ(D3D_INIT(), 1);
  EXPECT_EQ(Boxes(), 1u);
  EXPECT_EQ(glpD3D, nullptr);
  EXPECT_EQ(CREATE3D_DEVICE(0, 0), 1);
  EXPECT_TRUE(HasLine(" !!! CREATE3D_DEVICE : Direct3D has not been initialized !!!"));
}

// Released twice, the second release finds nothing. The z-buffer is
// detached first, so the same back buffer takes a new one.
TEST_F(D3DDevice, ReleaseDetachesTheZBufferAndCanBeRepeated) {
  StartDevice(0, 16);
  ASSERT_EQ(LOAD_TEXTURE_BITMAP("none.bmp", 1, 16, DDPF_RGB, 565, 0), 1);
  EXPECT_EQ(D3D_RELEASE(), 0);
  EXPECT_TRUE(HasLine("   Released ZBuffer surface."));
  EXPECT_EQ(machine::live_direct3d_devices(), 0);
  EXPECT_EQ(machine::live_direct3d_objects(), 0);
  Mark();
  EXPECT_EQ(D3D_RELEASE(), 0);
  EXPECT_EQ(NewLines(), (std::vector<std::string>{" +++ Texture_FreeAll begin +++", " +++ Texture_FreeAll end +++"}));
  ASSERT_EQ(D3D_INIT(), 0);
  EXPECT_EQ(CREATE3D_DEVICE(0, 16), 0);
  EXPECT_EQ(Boxes(), 0u);
}

TEST_F(D3DDevice, ExitReleasesDirect3DBeforeDirectDraw) {
  StartDevice(1, 16);
  Mark();
  KORVANE_EXIT();
  const std::vector<std::string> lines = NewLines();
  const auto at = [&](const std::string &line) { return std::find(lines.begin(), lines.end(), line) - lines.begin(); };
  EXPECT_LT(at("   Released ZBuffer surface."), at("### DIRECT DRAW RELEASE OBJECTS ###"));
  EXPECT_EQ(machine::live_direct3d_devices(), 0);
  EXPECT_EQ(machine::live_directdraw_surfaces(), 0);
}

// A critical report rebuilds the display surfaces under the device: the
// device and its z-buffer follow the new back buffer and keep drawing.
TEST_F(D3DDevice, DeviceFollowsTheBackBufferThroughACriticalReport) {
  StartDevice(0, 16);
  machine::fail_next("IDirect3DDevice7::SetRenderState", 1, D3DERR_INVALIDMATRIX);
  ASSERT_EQ(RS_SRCBLEND(D3DBLEND_ONE), 1);  // a critical report
  EXPECT_EQ(Boxes(), 1u);
  ASSERT_EQ(CLEAR_VIEWPORT(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00123456, 1.0f, 0), 0);
  EXPECT_EQ(Colour(100, 100), 0x123456u);
  EXPECT_EQ(glpDDSStandIn, nullptr);
}

// A new mode or DDRAW_RELEASE under a device: the device lets go of the old
// back buffer, nothing crashes, and the device can be made again.
TEST_F(D3DDevice, NewModeAndDirectDrawReleaseUnderADevice) {
  StartDevice(0, 16);
  ASSERT_EQ(SET_VIDEO_MODE(800, 600, 32), 0);
  EXPECT_NE(glpDDSStandIn, nullptr);  // the device let go of the old back buffer
  ASSERT_EQ(CREATE3D_DEVICE(0, 16), 0);
  ASSERT_EQ(CLEAR_VIEWPORT(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00FF0000, 1.0f, 0), 0);
  EXPECT_EQ(Colour(700, 500), 0xFF0000u);
  EXPECT_EQ(DDRAW_RELEASE(), 0);
  EXPECT_EQ(glpD3DDevice, nullptr);
  EXPECT_EQ(machine::live_direct3d_devices(), 0);
  EXPECT_EQ(D3D_RELEASE(), 0);
}

// Every export needing the device, before there is one: a line, the
// failure result, no crash, no box.
TEST_F(D3DDevice, CallsBeforeTheDeviceAreRefused) {
  StartDisplay(640, 480, 32);
  D3DMATRIX matrix{};
  D3DLIGHT7 light{};
  DWORD value = 7;
  EXPECT_EQ(CREATE3D_DEVICE(0, 16), 1);
  EXPECT_EQ(IS_ZBUFFERLESSHSR(), 0);
  EXPECT_EQ(CREATE_VIEWPORT(0, 0, 10, 10, 0, 1), 1);
  const D3DVIEWPORT7 *viewport = GET_VIEWPORT();
  ASSERT_NE(viewport, nullptr);
  EXPECT_EQ(viewport->dwWidth, 0u);
  EXPECT_EQ(GET_TRANSFORM_WORLD(&matrix), nullptr);
  EXPECT_EQ(SET_TRANSFORM_VIEW(&matrix), 1);
  EXPECT_EQ(SET_LIGHT(0, &light), 1);
  EXPECT_EQ(GET_LIGHT(0, &light), nullptr);
  EXPECT_EQ(GET_TEXTURE_STAGE_STATE(0, D3DTSS_COLOROP, reinterpret_cast<DWORD_PTR>(&value)), 0u);
  EXPECT_EQ(value, 7u);
  EXPECT_EQ(RS_ENABLE_LIGHTING(), 1);
  EXPECT_EQ(BEGIN_SCENE(), 1);
  EXPECT_EQ(DRAW_PRIMITIVE(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, nullptr, 0, 0), 1);
  EXPECT_EQ(IS_TEXTURE_FORMAT(16, DDPF_RGB, 565), 1);
  EXPECT_EQ(LOAD_TEXTURE_BITMAP("x.bmp", 1, 16, DDPF_RGB, 565, 0), 1);
  EXPECT_TRUE(HasLine(" !!! BEGIN_SCENE : no Direct3D device !!!"));
  EXPECT_EQ(Boxes(), 0u);
  EXPECT_EQ(D3D_RELEASE(), 0);
  EXPECT_EQ(ON_ERROR(), 0);
}

TEST_F(D3DDevice, InitWithoutDirectDrawIsRefused) {
  REPORT_MODE("display", 1);
  ASSERT_EQ(KORVANE_INIT(Window(), nullptr), 0);
  EXPECT_EQ(D3D_INIT(), 1);
  EXPECT_TRUE(HasLine(" !!! D3D_INIT : DirectDraw has not been initialized !!!"));
  EXPECT_EQ(Boxes(), 0u);
}

TEST_F(D3DDevice, ZBufferlessHsrFollowsTheRasterCaps) {
  for (DWORD caps : {0u, static_cast<DWORD>(D3DPRASTERCAPS_ZBUFFERLESSHSR)}) {
    D3DDEVICEDESC7 desc = machine::direct3d_device_caps(IID_IDirect3DRGBDevice);
    desc.dpcTriCaps.dwRasterCaps = caps;
    machine::set_direct3d_device_caps(IID_IDirect3DRGBDevice, desc);
    StartDevice(0, 0);
    EXPECT_EQ(IS_ZBUFFERLESSHSR(), caps != 0 ? 1 : 0);
    EndRun();
  }
}

// Texture-format lines for formats no machine default offers: the code
// rules of palettised, luminance-with-alpha-flag and unknown formats.
TEST(D3DFormatReport, FlagNamesFollowTheTableOrder) {
  char text[kFormatTextSize];
  const std::vector<std::pair<DWORD, std::string>> rows = {
      {DDPF_RGB | DDPF_PALETTEINDEXED8, " DDPF_PALETTEINDEXED8 DDPF_RGB"},
      {0, "DDPF_UNKNOWN"},
      {0x80000000u, "DDPF_UNKNOWN"},
      {DDPF_ZPIXELS | DDPF_ALPHA, " DDPF_ALPHA DDPF_ZPIXELS"},
      {DDPF_ZBUFFER | DDPF_STENCILBUFFER, " DDPF_STENCILBUFFER DDPF_ZBUFFER"},
  };
  for (const auto &[flags, expected] : rows) {
    FormatFlagNames(flags, text, sizeof text);
    EXPECT_EQ(text, expected);
  }
  FormatFlagNames(0xFFFFFFFFu, text, 40);  // cut to fit, never overrun
  EXPECT_LT(std::string(text).size(), 40u);
}

}  // namespace
