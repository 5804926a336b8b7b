// The diagnostic report: file creation, the first and last lines, line
// writing, truncation and the report mode.
#include <filesystem>
#include <string>

#include "core/report.h"
#include "korvane.h"
#include "machine.h"
#include "support/test_machine.h"

namespace {

HWND TestWindow() { return reinterpret_cast<HWND>(0x1000); }

class ReportTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    SYSTEMTIME may28 = {2000, 5, 0, 28, 21, 7, 45, 0};
    machine::set_local_time(may28);
  }
};

const char kFirstLine[] = "$$$ game.txt Report File Created - 05/28/00 - 21:07:45 $$$\n";

TEST_F(ReportTest, InitCreatesTheFileWithItsFirstLine) {
  EXPECT_EQ(REPORT_MODE("game", 0), 8);
  ASSERT_EQ(KORVANE_INIT(TestWindow(), nullptr), 0);
  EXPECT_EQ(ReadWholeFile("game.txt"), kFirstLine);
}

TEST_F(ReportTest, DateAndTimeAreTwoDigitFields) {
  SYSTEMTIME early = {2009, 1, 0, 2, 3, 4, 5, 0};
  machine::set_local_time(early);
  REPORT_MODE("game", 0);
  KORVANE_INIT(TestWindow(), nullptr);
  EXPECT_EQ(ReadWholeFile("game.txt"), "$$$ game.txt Report File Created - 01/02/09 - 03:04:05 $$$\n");
}

TEST_F(ReportTest, ModeIsClampedAndEveryModeCreatesTheFile) {
  struct Case {
    int asked;
    int kept;
  } cases[] = {{7, REPORT_DETAILED}, {1, REPORT_DETAILED}, {0, REPORT_BRIEF}, {-3, REPORT_BRIEF}};
  for (const Case &c : cases) {
    REPORT_MODE("log", c.asked);
    EXPECT_EQ(gReportMode, c.kept) << "mode " << c.asked;
  }
  KORVANE_INIT(TestWindow(), nullptr);
  EXPECT_TRUE(FileExists("log.txt"));
}

TEST_F(ReportTest, NoReportModeMeansNoFileAndNoLines) {
  ASSERT_EQ(KORVANE_INIT(TestWindow(), nullptr), 0);
  EXPECT_EQ(FILE_REPORT("anything"), 0);
  KORVANE_EXIT();
  EXPECT_TRUE(std::filesystem::is_empty(scratch_));
}

TEST_F(ReportTest, ReportModeAfterInitChangesTheModeButCreatesNoFile) {
  KORVANE_INIT(TestWindow(), nullptr);
  REPORT_MODE("late", 1);
  EXPECT_EQ(gReportMode, REPORT_DETAILED);
  EXPECT_FALSE(FileExists("late.txt"));
  EXPECT_EQ(FILE_REPORT("dropped"), 0);
}

TEST_F(ReportTest, AnExistingFileIsReplaced) {
  WriteWholeFile("game.txt", std::string(5000, 'x'));
  REPORT_MODE("game", 0);
  KORVANE_INIT(TestWindow(), nullptr);
  EXPECT_EQ(ReadWholeFile("game.txt"), kFirstLine);
}

TEST_F(ReportTest, LinesAreWrittenVerbatimWithOneLineFeed) {
  REPORT_MODE("game", 0);
  KORVANE_INIT(TestWindow(), nullptr);
  EXPECT_NE(FILE_REPORT("100%"), 0);
  EXPECT_NE(FILE_REPORT(""), 0);
  EXPECT_NE(FILE_REPORT("%s %d %n"), 0);
  EXPECT_EQ(ReadWholeFile("game.txt"), std::string(kFirstLine) + "100%\n\n%s %d %n\n");
}

TEST_F(ReportTest, LongLinesAreCutAt254Characters) {
  REPORT_MODE("game", 0);
  KORVANE_INIT(TestWindow(), nullptr);
  std::string longText(1000, 'a');
  longText[253] = 'b';
  FILE_REPORT(longText.c_str());
  ReportLine("%s", longText.c_str());
  std::string cut = std::string(253, 'a') + "b\n";
  EXPECT_EQ(ReadWholeFile("game.txt"), kFirstLine + cut + cut);
}

TEST_F(ReportTest, NullTextWritesNothing) {
  REPORT_MODE("game", 0);
  KORVANE_INIT(TestWindow(), nullptr);
  EXPECT_EQ(FILE_REPORT(nullptr), 0);
  EXPECT_EQ(ReadWholeFile("game.txt"), kFirstLine);
}

TEST_F(ReportTest, DetailedLinesOnlyInDetailedMode) {
  REPORT_MODE("game", 0);
  KORVANE_INIT(TestWindow(), nullptr);
  ReportDetail("detail %d", 1);
  ReportLine("line %d", 1);
  REPORT_MODE("game", 1);
  ReportDetail("detail %d", 2);
  EXPECT_EQ(ReadWholeFile("game.txt"), std::string(kFirstLine) + "line 1\ndetail 2\n");
}

TEST_F(ReportTest, ExitWritesTheLastTwoLines) {
  REPORT_MODE("game", 0);
  KORVANE_INIT(TestWindow(), nullptr);
  FILE_REPORT("body");
  KORVANE_EXIT();
  EXPECT_EQ(ReadWholeFile("game.txt"), std::string(kFirstLine) + "body\n$$$ End of File Report $$$\n\n");
}

TEST_F(ReportTest, LongNamesAreCutSoThatTheSuffixFits) {
  std::string longName(400, 'n');
  EXPECT_EQ(REPORT_MODE(longName.c_str(), 0), 255);
  EXPECT_EQ(std::string(gReportFileName), std::string(251, 'n') + ".txt");
  EXPECT_EQ(REPORT_MODE(std::string(251, 'm').c_str(), 0), 255);
  EXPECT_EQ(REPORT_MODE("", 0), 4);
}

TEST_F(ReportTest, NullNameChangesNothing) {
  REPORT_MODE("game", 1);
  EXPECT_EQ(REPORT_MODE(nullptr, 0), 0);
  EXPECT_EQ(gReportMode, REPORT_DETAILED);
  EXPECT_STREQ(gReportFileName, "game.txt");
}

TEST_F(ReportTest, AFailedCreationLeavesTheLibraryWithoutReport) {
  machine::fail_next("CreateFileA", 1, ERROR_ACCESS_DENIED);
  REPORT_MODE("game", 1);
  EXPECT_EQ(KORVANE_INIT(TestWindow(), nullptr), 0);
  EXPECT_EQ(FILE_REPORT("lost"), 0);
  EXPECT_FALSE(FileExists("game.txt"));
  EXPECT_TRUE(machine::message_boxes().empty());
}

TEST_F(ReportTest, AFailedWriteLosesTheWholeLineAndReturnsZero) {
  REPORT_MODE("game", 0);
  KORVANE_INIT(TestWindow(), nullptr);
  machine::fail_next("WriteFile", 1, ERROR_DISK_FULL);
  EXPECT_EQ(FILE_REPORT("lost"), 0);
  EXPECT_NE(FILE_REPORT("kept"), 0);
  EXPECT_EQ(ReadWholeFile("game.txt"), std::string(kFirstLine) + "kept\n");
}

TEST_F(ReportTest, ASecondInitStartsAFreshReport) {
  REPORT_MODE("game", 0);
  KORVANE_INIT(TestWindow(), nullptr);
  FILE_REPORT("first run");
  KORVANE_EXIT();
  KORVANE_INIT(TestWindow(), nullptr);
  FILE_REPORT("second run");
  EXPECT_EQ(ReadWholeFile("game.txt"), std::string(kFirstLine) + "second run\n");
}

TEST_F(ReportTest, ReportNamesMayHoldAFolder) {
  std::filesystem::create_directory("logs");
  EXPECT_EQ(REPORT_MODE("logs/run", 0), 12);
  KORVANE_INIT(TestWindow(), nullptr);
  EXPECT_TRUE(FileExists("logs/run.txt"));
}

}  // namespace
