// The MachineTest fixture.
#include "support/test_machine.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include <filesystem>

#include "core/state_reset.h"
#include "machine.h"

void MachineTest::SetUp() {
  // The library lets go of what an earlier case left on the old machine,
  // then the machine and the library both start as if freshly loaded.
  korvane::ResetLibraryStateForTests(machine::reset);
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  previous_ = cwd;
  std::string pattern = (std::filesystem::temp_directory_path() / "korvane-test-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  scratch_ = pattern;
  ASSERT_EQ(chdir(scratch_.c_str()), 0);
}

void MachineTest::TearDown() {
  // Objects and files the case left open are released before its folder goes.
  korvane::ResetLibraryStateForTests();
  if (!previous_.empty()) {
    EXPECT_EQ(chdir(previous_.c_str()), 0);
  }
  if (!scratch_.empty()) std::filesystem::remove_all(scratch_);
}

std::string MachineTest::ReadWholeFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool MachineTest::FileExists(const std::string &path) { return std::filesystem::exists(path); }

void MachineTest::WriteWholeFile(const std::string &path, const std::string &content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
}
