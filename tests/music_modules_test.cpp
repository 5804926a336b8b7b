// Real modules (MOD, 15-instrument MOD, S3M, XM, UNI) and two of our own
// (a 15-instrument MOD, a delta-coded XM): each loads, plays on
// the DirectSound voices, and what the card plays follows libmikmod's own
// software rendering of the same module: their loudness envelopes (RMS per
// 100 ms over ten seconds) correlate.
#include <cctype>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/music_test.h"
#include "support/xm_builder.h"

namespace {

constexpr int kSeconds = 10;
constexpr size_t kWindowFrames = 4410;  // 100 ms

std::vector<double> Envelope(const std::vector<short> &samples) {
  std::vector<double> envelope;
  for (size_t from = 0; (from + kWindowFrames) * 2 <= samples.size(); from += kWindowFrames) {
    double sum = 0;
    for (size_t i = from * 2; i < (from + kWindowFrames) * 2; ++i) sum += double(samples[i]) * samples[i];
    envelope.push_back(std::sqrt(sum / (kWindowFrames * 2)));
  }
  return envelope;
}

double Correlation(const std::vector<double> &a, const std::vector<double> &b) {
  const size_t n = std::min(a.size(), b.size());
  double meanA = 0, meanB = 0;
  for (size_t i = 0; i < n; ++i) meanA += a[i], meanB += b[i];
  meanA /= n, meanB /= n;
  double ab = 0, aa = 0, bb = 0;
  for (size_t i = 0; i < n; ++i) {
    ab += (a[i] - meanA) * (b[i] - meanB);
    aa += (a[i] - meanA) * (a[i] - meanA);
    bb += (b[i] - meanB) * (b[i] - meanB);
  }
  return aa == 0 || bb == 0 ? 0.0 : ab / std::sqrt(aa * bb);
}

// A 15-instrument module of our own: a melody over three samples, one of
// them looped, with volume changes, on four channels over two positions.
ModuleRecipe FifteenInstrumentSong() {
  ModuleRecipe recipe;
  recipe.fifteenSamples = true;
  std::vector<int8_t> sine(3000), noise(1200);
  for (size_t i = 0; i < sine.size(); ++i) sine[i] = static_cast<int8_t>(90 * std::sin(i * 0.19));
  uint32_t seed = 7;
  for (int8_t &value : noise) value = static_cast<int8_t>((seed = seed * 1103515245u + 12345u) >> 24);
  recipe.samples = {ModuleSample{SquareWave(2400, 40), 64, 0, 0}, ModuleSample{sine, 48, 1000, 2000},
                    ModuleSample{noise, 40, 0, 0}};
  recipe.orders = {0, 1};
  recipe.patterns = 2;
  const uint16_t periods[] = {428, 381, 339, 320, 285, 254, 226, 214};
  std::vector<ModuleNote> first, second;
  for (int row = 0; row < 64; row += 4) {
    first.push_back({row, 0, periods[(row / 4) % 8], 1});
    if (row % 16 == 0) first.push_back({row, 1, 214, 2, 0xC, static_cast<uint8_t>(20 + row)});
    if (row % 8 == 4) first.push_back({row, 2, 428, 3});
    second.push_back({row, 3, periods[7 - (row / 4) % 8], 2});
    if (row % 8 == 0) second.push_back({row, 2, 254, 3, 0xC, 30});
  }
  recipe.notes = {first, second};
  return recipe;
}

// An XM of our own: a 16-bit looped instrument and an 8-bit one-shot one
// (both delta-coded, as XM stores samples), a melody and volume effects.
XmRecipe DeltaCodedSong() {
  XmRecipe recipe;
  XmSample pad, pluck;
  for (int i = 0; i < 8000; ++i) pad.data.push_back(static_cast<int16_t>(12000 * std::sin(i * 0.07)));
  pad.loopStart = 4000;
  pad.loopLength = 3990;  // whole periods of the wave: 0.07 x 3990 is about 89 x 2 pi
  pad.volume = 48;
  for (int i = 0; i < 6000; ++i) pluck.data.push_back(static_cast<int16_t>(20000 * std::exp(-i / 1500.0) * ((i / 20) % 2 ? 1 : -1)));
  pluck.sixteenBit = false;
  recipe.instruments = {pad, pluck};
  recipe.orders = {0, 1, 0};
  recipe.patterns = {{}, {}};
  const uint8_t melody[] = {49, 53, 56, 61, 56, 53, 49, 44};
  for (int row = 0; row < 64; row += 4) {
    recipe.patterns[0].push_back({row, 0, melody[(row / 4) % 8], 2});
    recipe.patterns[1].push_back({row, 1, melody[7 - (row / 4) % 8], 2, 0xC, static_cast<uint8_t>(row)});
  }
  recipe.patterns[0].push_back({0, 2, 37, 1});
  recipe.patterns[1].push_back({0, 2, 41, 1});
  recipe.patterns[1].push_back({32, 3, 44, 1});
  return recipe;
}

class MusicModulesTest : public MusicTest, public ::testing::WithParamInterface<const char *> {
 protected:
  // The module's path: a test file, or the module built here.
  std::string ModulePath() {
    const std::string name = GetParam();
    if (name == "fifteen.mod") return scratch_ + "/" + WriteModule("fifteen.mod", FifteenInstrumentSong());
    if (name == "delta.xm") {
      WriteWholeFile("delta.xm", BuildXm(DeltaCodedSong()));
      return scratch_ + "/delta.xm";
    }
    return TestModule(name);
  }
};

TEST_P(MusicModulesTest, PlaysLikeLibmikmodsOwnRendering) {
  const std::string path = ModulePath();
  if (path.empty()) GTEST_SKIP() << "no test module " << GetParam();
  ASSERT_EQ(LOAD_MOD(path.c_str(), 1), 0);
  PLAY_MOD(1, 0);
  machine::advance_audio_clock(kSeconds * 1000);
  EXPECT_GT(GET_MOD_SNGPOS() * 256 + GET_MOD_PATPOS(), 0) << "the song moved on";
  std::vector<short> played = machine::captured_samples();
  STOP_MOD();

  const std::string raw = scratch_ + "/reference.raw";
  const std::string command = std::string("\"") + MIKMOD_REFERENCE_RENDER + "\" \"" + path + "\" \"" + raw + "\" " +
                              std::to_string(kSeconds);
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  const std::string bytes = ReadWholeFile(raw);
  std::vector<short> reference(bytes.size() / 2);
  std::memcpy(reference.data(), bytes.data(), reference.size() * 2);

  const std::vector<double> ours = Envelope(played), theirs = Envelope(reference);
  ASSERT_GE(ours.size(), static_cast<size_t>(kSeconds * 10 - 1));
  auto loudest = [](const std::vector<double> &envelope) {
    double peak = 0;
    for (double value : envelope) peak = std::max(peak, value);
    return peak;
  };
  if (loudest(theirs) < 1.0) {
    // Some feature-test files sound nothing in their first seconds.
    std::printf("[ envelope ] %s: silent in both renderings\n", GetParam());
    EXPECT_LT(loudest(ours), 1.0);
    return;
  }
  EXPECT_GT(loudest(ours), 300.0) << "the voices are heard";
  const double correlation = Correlation(ours, theirs);
  std::printf("[ envelope ] %s: correlation %.3f over %zu windows\n", GetParam(), correlation,
              std::min(ours.size(), theirs.size()));
  EXPECT_GT(correlation, 0.8);
}

INSTANTIATE_TEST_SUITE_P(Modules, MusicModulesTest,
                         ::testing::Values("openmpt-test.mod", "tuxmath-game3.mod", "fifteen.mod", "openmpt-test.s3m",
                                           "openmpt-test.xm", "delta.xm", "openmpt-test-mod.uni", "openmpt-test-s3m.uni",
                                           "tuxmath-game3.uni"),
                         [](const ::testing::TestParamInfo<const char *> &param) {
                           std::string name = param.param;
                           for (char &c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

}  // namespace
