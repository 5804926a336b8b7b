// Test fixture: a fresh simulated machine, the library as just loaded, and a
// private scratch folder as the working directory, so that files the library
// writes never collide. Cases can share one process in any order.
#pragma once

#include <gtest/gtest.h>

#include <string>

class MachineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The whole content of a file in the scratch folder ("" when missing).
  static std::string ReadWholeFile(const std::string &path);
  static bool FileExists(const std::string &path);
  static void WriteWholeFile(const std::string &path, const std::string &content);

  std::string scratch_;

 private:
  std::string previous_;
};
