// Font matching: turns what a LOGFONTA asks for (face name, weight, italic,
// pitch and family) into installed font files, best first, through fontconfig.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace text {

// One installed font file and the style it really has, so that the engine
// knows what it must synthesise (bold, italic) to honour the request.
struct FontFile {
  std::string path;
  int index;   // face index inside the file
  int weight;  // FW_* scale
  bool italic;
};

// Scalable candidates for the request, best first; empty when fontconfig
// knows no font at all.
std::vector<FontFile> MatchFontFiles(const LOGFONTA &request);

// The weight a request stands for: FW_DONTCARE and out-of-range values are
// read as FW_NORMAL.
int RequestedWeight(const LOGFONTA &request);

}  // namespace text
