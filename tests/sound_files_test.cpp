// Real wave files made by others: every 8/16-bit PCM file loads and plays as
// a sound and as a stream, every other one is refused with its line, and no
// file crashes either reader.
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/sound_test.h"

namespace {

namespace fs = std::filesystem;

// What the file's own header says: a playable PCM sound with all its data.
struct Header {
  bool riff = false;
  uint16_t tag = 0, channels = 0, bits = 0;
  bool dataComplete = false;
};

Header ReadHeader(const std::string &bytes) {
  Header header;
  if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) return header;
  header.riff = true;
  size_t at = 12;
  while (at + 8 <= bytes.size()) {
    uint32_t size;
    std::memcpy(&size, bytes.data() + at + 4, 4);
    const std::string id = bytes.substr(at, 4);
    if (id == "fmt " && at + 24 <= bytes.size()) {
      std::memcpy(&header.tag, bytes.data() + at + 8, 2);
      std::memcpy(&header.channels, bytes.data() + at + 10, 2);
      std::memcpy(&header.bits, bytes.data() + at + 22, 2);
    }
    if (id == "data") {
      header.dataComplete = at + 8 + static_cast<uint64_t>(size) <= bytes.size();
      break;
    }
    at += 8 + static_cast<size_t>(size) + (size & 1);
  }
  return header;
}

bool Playable(const Header &h) {
  return h.riff && h.tag == WAVE_FORMAT_PCM && (h.bits == 8 || h.bits == 16) && (h.channels == 1 || h.channels == 2) &&
         h.dataComplete;
}

std::string ReadBytes(const fs::path &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

class SoundFilesTest : public SoundTest {
 protected:
  void SetUp() override {
    const char *root = std::getenv("KORVANE_TESTDATA");
    if (root == nullptr || !fs::is_directory(fs::path(root) / "wav")) GTEST_SKIP() << "no wave test files";
    folder_ = fs::path(root) / "wav";
    SoundTest::SetUp();
    ASSERT_EQ(DSOUND_INIT(DSSCL_PRIORITY, 2, 44100, 16), 0);
  }

  fs::path folder_;
};

TEST_F(SoundFilesTest, PcmFilesPlayAndOthersAreRefusedWithTheirLine) {
  int id = 1, played = 0;
  for (const auto &entry : fs::directory_iterator(folder_)) {
    if (entry.path().extension() != ".wav") continue;
    const std::string path = entry.path().string();
    const Header header = ReadHeader(ReadBytes(entry.path()));
    Mark();
    const int loaded = LOAD_SOUND(path.c_str(), id, 2, 1);
    if (Playable(header)) {
      EXPECT_EQ(loaded, 0) << path;
      EXPECT_EQ(PLAY_SOUND(id, -300, 500, 0, 0), 0) << path;
      machine::advance_audio_clock(50);
      ++played;
    } else {
      EXPECT_EQ(loaded, 1) << path;
      const LineList lines = NewLines();
      ASSERT_FALSE(lines.empty()) << path;
      EXPECT_EQ(lines.back(), " !!! Loading SoundBuffer[0] failed !!!") << path;
      if (header.riff && header.tag != WAVE_FORMAT_PCM) {
        EXPECT_TRUE(HasLine(" !!! != WAVE_FORMAT_PCM !!!")) << path;
      }
    }
    ++id;
  }
  EXPECT_GT(played, 0);
  DSOUND_RELEASE();
  EXPECT_EQ(machine::live_sound_buffers(), 0);
}

TEST_F(SoundFilesTest, EveryFileStreamsOrIsRefused) {
  int id = 1;
  for (const auto &entry : fs::directory_iterator(folder_)) {
    if (entry.path().extension() != ".wav") continue;
    const std::string path = entry.path().string();
    for (int loop = 0; loop <= 1; ++loop, ++id) {
      if (SETUP_STREAM_BUFFER(path.c_str(), id, loop) != 0) continue;
      STREAM_BUFFER_PLAY(id);
      for (int step = 0; step < 150; ++step) {
        machine::advance_audio_clock(20);
        STREAM_BUFFER_UPDATE();
      }
      FREE_STREAMWAVE(id);
    }
  }
  STREAM_BUFFER_EXIT();
  EXPECT_EQ(machine::live_sound_buffers(), 1);
}

}  // namespace
