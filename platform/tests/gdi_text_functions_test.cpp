// The platform's GDI text functions through the Win32 interface: each one's
// failure value for a bad device context, a pending fault or bad arguments,
// the state a new context starts with, and font objects.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "machine.h"
#include "support/test_machine.h"

namespace {

class GdiTextTest : public MachineTest {
 protected:
  static HWND Window() { return reinterpret_cast<HWND>(0x4100); }
  void SetUp() override {
    MachineTest::SetUp();
    dc_ = GetDC(Window());
    ASSERT_NE(dc_, nullptr);
  }
  void TearDown() override {
    if (dc_ != nullptr) ReleaseDC(Window(), dc_);
    MachineTest::TearDown();
  }
  HDC dc_ = nullptr;
};

TEST_F(GdiTextTest, EachFunctionFailsWithItsValue) {
  SIZE size;
  INT width;
  struct Call {
    const char *operation;
    std::function<bool(HDC)> fails;
  } calls[] = {
      {"SetBkMode", [](HDC dc) { return SetBkMode(dc, OPAQUE) == 0; }},
      {"SetBkColor", [](HDC dc) { return SetBkColor(dc, 0) == CLR_INVALID; }},
      {"SetTextColor", [](HDC dc) { return SetTextColor(dc, 0) == CLR_INVALID; }},
      {"SetTextAlign", [](HDC dc) { return SetTextAlign(dc, TA_CENTER) == GDI_ERROR; }},
      {"TextOutA", [](HDC dc) { return !TextOutA(dc, 0, 0, "a", 1); }},
      {"GetTextExtentPoint32A", [&](HDC dc) { return !GetTextExtentPoint32A(dc, "a", 1, &size); }},
      {"GetCharWidthA", [&](HDC dc) { return !GetCharWidthA(dc, 'a', 'a', &width); }},
  };
  for (const Call &call : calls) {
    EXPECT_FALSE(call.fails(dc_)) << call.operation;
    EXPECT_TRUE(call.fails(nullptr)) << call.operation;
    EXPECT_TRUE(call.fails(reinterpret_cast<HDC>(0x1234))) << call.operation;
    machine::fail_next(call.operation, 1, E_FAIL);
    EXPECT_TRUE(call.fails(dc_)) << call.operation << " with a fault";
  }
  // Bad arguments on a good context.
  INT widths[4] = {};
  EXPECT_EQ(SetBkMode(dc_, 0), 0);
  EXPECT_FALSE(TextOutA(dc_, 0, 0, nullptr, 3));
  EXPECT_FALSE(TextOutA(dc_, 0, 0, "abc", -1));
  EXPECT_FALSE(GetTextExtentPoint32A(dc_, "abc", 3, nullptr));
  EXPECT_FALSE(GetCharWidthA(dc_, 'b', 'a', widths));
  EXPECT_FALSE(GetCharWidthA(dc_, 0xFF, 0x100, widths));
  EXPECT_FALSE(GetCharWidthA(dc_, 'a', 'a', nullptr));
}

TEST_F(GdiTextTest, NewContextsAndTheirMeasurements) {
  EXPECT_EQ(SetBkMode(dc_, TRANSPARENT), OPAQUE);
  EXPECT_EQ(SetBkColor(dc_, 0), RGB(255, 255, 255));
  EXPECT_EQ(SetTextColor(dc_, RGB(9, 8, 7)), RGB(0, 0, 0));
  EXPECT_EQ(SetTextAlign(dc_, TA_CENTER), static_cast<UINT>(TA_LEFT | TA_TOP));
  EXPECT_TRUE(TextOutA(dc_, 0, 0, "a window context has no pixels", 30));
  SIZE size{};
  INT widths[4] = {};
  ASSERT_TRUE(GetTextExtentPoint32A(dc_, "", 0, &size));
  EXPECT_EQ(size.cx, 0);
  EXPECT_EQ(size.cy, 16) << "the system font's cell";
  ASSERT_TRUE(GetCharWidthA(dc_, 'a', 'd', widths));
  ASSERT_TRUE(GetTextExtentPoint32A(dc_, "abcd", 4, &size));
  EXPECT_EQ(size.cx, widths[0] + widths[1] + widths[2] + widths[3]);
}

TEST_F(GdiTextTest, FontObjectsKeepTheirRequestAndSelect) {
  const std::string longName(40, 'F');
  HFONT font =
      CreateFontA(30, 0, 0, 0, FW_BOLD, 1, 0, 0, ANSI_CHARSET, 0, 0, ANTIALIASED_QUALITY, FF_SWISS, longName.c_str());
  ASSERT_NE(font, nullptr);
  LOGFONTA described{};
  EXPECT_EQ(GetObjectA(font, sizeof described - 1, &described), 0);
  ASSERT_EQ(GetObjectA(font, sizeof described, &described), static_cast<int>(sizeof described));
  EXPECT_EQ(described.lfHeight, 30);
  EXPECT_EQ(described.lfItalic, 1);
  EXPECT_EQ(described.lfQuality, ANTIALIASED_QUALITY);
  EXPECT_EQ(std::string(described.lfFaceName), longName.substr(0, LF_FACESIZE - 1));

  EXPECT_EQ(SelectObject(dc_, font), nullptr) << "no font was selected before";
  SIZE size{};
  ASSERT_TRUE(GetTextExtentPoint32A(dc_, "Ag", 2, &size));
  EXPECT_EQ(size.cy, 30) << "an unknown face still gives a font of the asked cell";
  EXPECT_FALSE(DeleteObject(font)) << "a selected font stays";
  ASSERT_EQ(ReleaseDC(Window(), dc_), 1);
  dc_ = nullptr;
  EXPECT_TRUE(DeleteObject(font));
  EXPECT_EQ(CreateFontIndirectA(nullptr), nullptr);
  machine::fail_next("CreateFontA", 1, E_FAIL);
  EXPECT_EQ(CreateFontA(10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "x"), nullptr);
}

}  // namespace
