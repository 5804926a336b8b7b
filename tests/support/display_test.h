// Fixture of the display suites: a started library with a report, the
// report's lines, and a display brought up in a chosen mode.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "korvane.h"
#include "machine.h"
#include "machine_display.h"
#include "support/test_machine.h"

class DisplayTest : public MachineTest {
 protected:
  static HWND Window() { return reinterpret_cast<HWND>(0x4000); }

  // Starts the library with the report "display.txt" in the given mode
  // (1 detailed, 0 brief).
  void Start(int reportMode = 1) {
    REPORT_MODE("display", reportMode);
    ASSERT_EQ(KORVANE_INIT(Window(), nullptr), 0);
  }

  // Starts, creates the DirectDraw object and sets a mode.
  void StartInMode(int width, int height, int bpp, int reportMode = 1) {
    Start(reportMode);
    ASSERT_EQ(DDRAW_INIT(), 0);
    ASSERT_EQ(SET_VIDEO_MODE(width, height, bpp), 0);
  }

  // The report's lines after its first one.
  std::vector<std::string> ReportLines() {
    std::vector<std::string> lines;
    const std::string all = ReadWholeFile("display.txt");
    size_t start = all.find('\n');
    while (start != std::string::npos && start + 1 < all.size()) {
      const size_t end = all.find('\n', start + 1);
      if (end == std::string::npos) break;
      lines.push_back(all.substr(start + 1, end - start - 1));
      start = end;
    }
    return lines;
  }

  // Lines written from now on: call Mark() first, then NewLines().
  void Mark() { marked_ = ReportLines().size(); }
  std::vector<std::string> NewLines() {
    std::vector<std::string> all = ReportLines();
    return std::vector<std::string>(all.begin() + static_cast<long>(std::min(marked_, all.size())), all.end());
  }

  bool HasLine(const std::string &line) {
    for (const std::string &each : ReportLines()) {
      if (each == line) return true;
    }
    return false;
  }

 private:
  size_t marked_ = 0;
};
