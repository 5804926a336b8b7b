// The fuzz targets that drive the library's exports run in a scratch folder
// of their own (the report and any input file go there), removed again when
// the fuzzer exits.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace fuzz {

inline std::string &ScratchFolder() {
  static std::string folder;
  return folder;
}

// Makes a new folder from `pattern` (ending in XXXXXX) in the temporary
// directory and makes it the working directory.
inline void EnterScratchFolder(const char *pattern) {
  std::string &folder = ScratchFolder();
  folder = (std::filesystem::temp_directory_path() / pattern).string();
  if (mkdtemp(folder.data()) == nullptr || chdir(folder.c_str()) != 0) abort();
  atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(ScratchFolder(), ignored);
  });
}

}  // namespace fuzz
