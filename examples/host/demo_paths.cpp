// The demo's search for its sprite folder and its `--video` option (see
// demo_paths.h).
#include "demo_paths.h"

#include <cstdio>
#include <cstring>

namespace {

bool IsFile(const std::string &path) {
  FILE *file = fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  fclose(file);
  return true;
}

// A folder is taken when it holds the first sprite the demo loads.
bool HoldsSprites(const std::string &folder) { return IsFile(folder + "/ship.bmp"); }

// The folder part of the path the program was started by ("" for a bare
// name, found through PATH). Both separators count, for the Windows build.
std::string ExecutableFolder(const char *argv0) {
  if (argv0 == nullptr) return "";
  const std::string path = argv0;
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? "" : path.substr(0, slash);
}

}  // namespace

std::string FindSpriteFolder(int argc, char **argv) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (strcmp(argv[i], "--sprites") == 0) return argv[i + 1];
  }
  const std::string besideExecutable = ExecutableFolder(argc > 0 ? argv[0] : nullptr);
  const std::string candidates[] = {
      besideExecutable.empty() ? std::string("sprites") : besideExecutable + "/sprites",
      "sprites",
      "examples/sprites",
  };
  for (const std::string &folder : candidates) {
    if (HoldsSprites(folder)) return folder;
  }
  return "sprites";
}

std::string FindVideo(int argc, char **argv) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (strcmp(argv[i], "--video") == 0) return argv[i + 1];
  }
  return "";
}
