// Fixture of the sound tests: a fresh machine with the virtual audio clock
// and the memory capture, the library started with a detailed report, and
// helpers that read the report's lines and write wave files.
#pragma once

#include <string>
#include <vector>

#include "korvane.h"
#include "machine.h"
#include "machine_sound.h"
#include "support/test_machine.h"
#include "support/wave_builder.h"

using LineList = std::vector<std::string>;

class SoundTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    machine::use_virtual_audio_clock();
    machine::capture_audio(true);
    REPORT_MODE("sound", 1);
    ASSERT_EQ(KORVANE_INIT(Window(), nullptr), 0);
  }

  static HWND Window() { return reinterpret_cast<HWND>(0x5000); }

  // The report's lines after its first.
  static std::vector<std::string> Lines() {
    std::string text = ReadWholeFile("sound.txt");
    std::vector<std::string> lines;
    size_t start = text.find('\n');
    while (start != std::string::npos && start + 1 < text.size()) {
      size_t end = text.find('\n', start + 1);
      lines.push_back(text.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1));
      start = end;
    }
    return lines;
  }

  // Lines written since the last call of Mark().
  void Mark() { marked_ = Lines().size(); }
  std::vector<std::string> NewLines() const {
    std::vector<std::string> lines = Lines();
    return std::vector<std::string>(lines.begin() + static_cast<long>(std::min(marked_, lines.size())), lines.end());
  }

  static bool HasLine(const std::string &line) {
    for (const std::string &each : Lines()) {
      if (each == line) return true;
    }
    return false;
  }

  static std::string WriteWave(const std::string &name, const WaveRecipe &recipe) {
    WriteWholeFile(name, BuildWave(recipe));
    return name;
  }

  size_t marked_ = 0;
};
