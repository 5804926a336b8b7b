// The virtual CD drive: an audio disc made of WAVE files (a folder's files
// in name order, or a given list), 75 frames a second, track lengths from
// the files' data sizes. No disc by default; the machine interface or
// KORVANE_CD=folder inserts one.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

constexpr uint32_t kCdFramesPerSecond = 75;

struct DiscTrack {
  std::string path;
  WAVEFORMATEX format;
  LONG dataOffset;
  DWORD dataBytes;
  uint32_t frames;  // whole CD frames of sound
  uint32_t start;   // first frame on the disc
  uint64_t Samples() const { return dataBytes / format.nBlockAlign; }
};

struct VirtualDisc {
  std::vector<DiscTrack> tracks;
  uint32_t totalFrames = 0;
};

// The disc in the drive, or null. The first call reads KORVANE_CD.
std::shared_ptr<const VirtualDisc> CurrentDisc();
// False (and the drive unchanged) when no file is a playable PCM WAVE file;
// a folder's other files are left out.
bool InsertDiscFolder(const std::string &folder);
bool InsertDiscFiles(const std::vector<std::string> &files);
void EjectDisc();

// A track's sound as 16-bit stereo frames at the file's rate; false when the
// file cannot be read any more.
bool LoadTrackSound(const DiscTrack &track, std::vector<int16_t> *frames);

}  // namespace platform
