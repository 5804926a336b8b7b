// Library lifecycle and critical reports: KORVANE_INIT / KORVANE_EXIT, the
// DirectX presence test, ON_ERROR, ERROR_MESSAGE and the five critical forms.
#include <string>

#include "core/critical.h"
#include "core/lifecycle.h"
#include "core/report.h"
#include "display/display_state.h"
#include "korvane.h"
#include "machine.h"
#include "support/test_machine.h"

namespace {

HWND TestWindow() { return reinterpret_cast<HWND>(0x2000); }

class LifecycleTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    SYSTEMTIME noon = {2001, 2, 0, 3, 12, 0, 0, 0};
    machine::set_local_time(noon);
  }
  // The report's lines after its first one.
  std::string ReportBody() {
    std::string all = ReadWholeFile("run.txt");
    size_t firstEnd = all.find('\n');
    return firstEnd == std::string::npos ? std::string() : all.substr(firstEnd + 1);
  }
  void StartWithReport() {
    REPORT_MODE("run", 1);
    ASSERT_EQ(KORVANE_INIT(TestWindow(), nullptr), 0);
  }
};

TEST_F(LifecycleTest, InitKeepsTheHandlesAndInitialisesCom) {
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(0x3000);
  EXPECT_EQ(KORVANE_INIT(TestWindow(), instance), 0);
  EXPECT_EQ(ghWnd, TestWindow());
  EXPECT_EQ(ghInstance, instance);
  EXPECT_EQ(machine::com_initialisations(), 1);
  EXPECT_EQ(machine::live_directdraw_objects(), 0) << "the presence-test object is released";
  EXPECT_TRUE(machine::message_boxes().empty());
}

TEST_F(LifecycleTest, InitRestoresTheVideoModeDefaults) {
  gBackBufferCount = 0;
  gUseVideoMemory = 0;
  KORVANE_INIT(TestWindow(), nullptr);
  EXPECT_EQ(gBackBufferCount, 1u);
  EXPECT_EQ(gUseVideoMemory, 1);
}

TEST_F(LifecycleTest, WithoutDirectX7InitFailsWithTheBox) {
  machine::fail_next("DirectDrawCreateEx", 1, E_NOINTERFACE);
  REPORT_MODE("run", 0);
  EXPECT_EQ(KORVANE_INIT(TestWindow(), nullptr), 1);
  EXPECT_EQ(ReportBody(), " ! - QueryInterface Failed\n");
  auto boxes = machine::message_boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].owner, TestWindow());
  EXPECT_EQ(boxes[0].text, "DirectX 7.0 Not Detected");
  EXPECT_EQ(boxes[0].caption, "You must have DirectX 7.0\n or higher to use this program.");
  EXPECT_EQ(boxes[0].type, UINT(MB_SYSTEMMODAL | MB_ICONERROR));
  EXPECT_EQ(machine::com_initialisations(), 0) << "COM stays uninitialised";
}

TEST_F(LifecycleTest, ExitDestroysTheWindowFinishesTheReportAndUninitialisesCom) {
  StartWithReport();
  KORVANE_EXIT();
  EXPECT_TRUE(machine::window_destroyed(TestWindow()));
  // The subsystems' release lines (input first) come before the closing line.
  const std::string body = ReportBody(), end = "$$$ End of File Report $$$\n\n";
  ASSERT_GE(body.size(), end.size());
  EXPECT_EQ(body.substr(body.size() - end.size()), end);
  EXPECT_EQ(body.find("### DIRECTINPUT RELEASE OBJECTS ###\n"), 0u);
  EXPECT_EQ(machine::com_initialisations(), 0);
}

TEST_F(LifecycleTest, WindowsVersionIsTheDefaultMachines) { EXPECT_EQ(WINDOWS_VERSION(), 0x0501); }

TEST_F(LifecycleTest, ErrorMessageShowsTheHostTextWithoutRaisingTheFlag) {
  StartWithReport();
  EXPECT_EQ(ERROR_MESSAGE("Level file is missing"), 0);
  EXPECT_EQ(ON_ERROR(), 0);
  EXPECT_EQ(ReportBody(), "Level file is missing\n");
  auto boxes = machine::message_boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].owner, TestWindow());
  EXPECT_EQ(boxes[0].text, "Level file is missing");
  EXPECT_EQ(boxes[0].caption, "Critical!!!");
  EXPECT_EQ(boxes[0].type, UINT(MB_SYSTEMMODAL | MB_ICONERROR));
}

TEST_F(LifecycleTest, ErrorMessageCutsTheReportLineButNotTheBox) {
  StartWithReport();
  std::string text(300, 'e');
  ERROR_MESSAGE(text.c_str());
  EXPECT_EQ(ReportBody(), std::string(254, 'e') + "\n");
  EXPECT_EQ(machine::message_boxes().at(0).text, text);
}

TEST_F(LifecycleTest, ErrorMessageWithNullTextShowsAnEmptyBox) {
  StartWithReport();
  EXPECT_EQ(ERROR_MESSAGE(nullptr), 0);
  EXPECT_EQ(machine::message_boxes().at(0).text, "");
}

struct CriticalCase {
  int (*raise)(HRESULT);
  HRESULT code;
  const char *name;
};

int RaiseCd(HRESULT code) { return CDCritical(static_cast<DWORD>(code)); }
int RaiseMidi(HRESULT code) { return MIDICritical(static_cast<DWORD>(code)); }

TEST_F(LifecycleTest, EachCriticalReportNamesTheCodeWithItsOwnTable) {
  const CriticalCase cases[] = {
      {DDCritical, static_cast<HRESULT>(0x887601C2), "DDERR_SURFACELOST"},
      {DDCritical, 0, "UNKNOWN DIRECTDRAW ERROR"},
      {D3DCritical, static_cast<HRESULT>(0x80070057), "DDERR_INVALIDPARAMS"},
      {D3DCritical, static_cast<HRESULT>(0x887601C2), "UNKNOWN DIRECT3D IMMIDIATE MODE ERROR"},
      {DICritical, static_cast<HRESULT>(0x80070005), "DIERR_OTHERAPPHASPRIO"},
      {RaiseCd, 2, "MMSYSERR_BADDEVICEID"},
      {RaiseMidi, 21, "UNKNOWN MMSYSTEM ERROR"},
  };
  StartWithReport();
  std::string expectedReport;
  size_t box = 0;
  for (const CriticalCase &c : cases) {
    EXPECT_EQ(c.raise(c.code), 0);
    expectedReport += std::string("!!! ") + c.name + " !!!\n";
    auto boxes = machine::message_boxes();
    ASSERT_EQ(boxes.size(), box + 1);
    EXPECT_EQ(boxes[box].text, c.name);
    EXPECT_EQ(boxes[box].caption, "Critical!!!");
    EXPECT_EQ(boxes[box].type, UINT(MB_SYSTEMMODAL | MB_ICONERROR));
    ++box;
  }
  EXPECT_EQ(ReportBody(), expectedReport);
}

TEST_F(LifecycleTest, TheCriticalFlagRisesAndOnlyInitClearsIt) {
  StartWithReport();
  EXPECT_EQ(ON_ERROR(), 0);
  DICritical(static_cast<HRESULT>(0x8007001E));
  EXPECT_EQ(ON_ERROR(), 1);
  ERROR_MESSAGE("still set");
  EXPECT_EQ(ON_ERROR(), 1);
  KORVANE_INIT(TestWindow(), nullptr);
  EXPECT_EQ(ON_ERROR(), 0);
}

TEST_F(LifecycleTest, CriticalReportsWorkWithoutAReportFile) {
  KORVANE_INIT(TestWindow(), nullptr);
  DDCritical(static_cast<HRESULT>(0x887601C2));
  EXPECT_EQ(ON_ERROR(), 1);
  EXPECT_EQ(machine::message_boxes().size(), 1u);
}

}  // namespace
