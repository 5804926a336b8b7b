// Fixture of the music tests: the sound fixture's machine (virtual clock,
// memory capture, detailed report) with DirectSound and the module player
// up, and functions that write modules and measure the captured sound.
#pragma once

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/module_builder.h"
#include "support/sound_test.h"

class MusicTest : public SoundTest {
 protected:
  void SetUp() override {
    SoundTest::SetUp();
    ASSERT_EQ(DSOUND_INIT(DSSCL_NORMAL, 0, 0, 0), 0);
    ASSERT_EQ(MODPLAYER_INIT(), 1);
  }

  std::string WriteModule(const std::string &name, const ModuleRecipe &recipe) {
    WriteWholeFile(name, BuildModule(recipe));
    return name;
  }

  // One 4-channel pattern: a note of sample 1 on channel 0 at row 0, then
  // the effects given (row 0, channel 3).
  static ModuleRecipe OneNote(std::vector<int8_t> data, uint32_t loopStart = 0, uint32_t loopLength = 0) {
    ModuleRecipe recipe;
    ModuleSample sample;
    sample.data = std::move(data);
    sample.loopStart = loopStart;
    sample.loopLength = loopLength;
    recipe.samples.push_back(sample);
    recipe.notes = {{{0, 0, 428, 1}}};
    return recipe;
  }

  // The mean of the squared left and right samples, as RMS, over captured
  // frames [from, to).
  static double Rms(const std::vector<short> &samples, size_t fromFrame, size_t toFrame) {
    double sum = 0;
    size_t count = 0;
    for (size_t frame = fromFrame; frame < toFrame && frame * 2 + 1 < samples.size(); ++frame) {
      sum += double(samples[frame * 2]) * samples[frame * 2] + double(samples[frame * 2 + 1]) * samples[frame * 2 + 1];
      count += 2;
    }
    return count == 0 ? 0.0 : std::sqrt(sum / static_cast<double>(count));
  }

  // The RMS of the last `milliseconds` of the capture.
  static double RecentRms(double milliseconds) {
    std::vector<short> samples = machine::captured_samples();
    const size_t frames = samples.size() / 2;
    const size_t span = static_cast<size_t>(milliseconds * 44.1);
    return Rms(samples, frames > span ? frames - span : 0, frames);
  }

  static std::string TestModule(const std::string &name) {
    const char *root = std::getenv("KORVANE_TESTDATA");
    if (root == nullptr) return "";
    std::filesystem::path path = std::filesystem::path(root) / "modules" / name;
    return std::filesystem::exists(path) ? path.string() : "";
  }
};
