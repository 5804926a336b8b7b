// The virtual disc: reading the WAVE files' headers (through the multimedia
// file functions) to lay out the tracks, the drive's disc, and a track's
// sound read in full when it is about to play.
#include "mci/virtual_disc.h"

#include <dirent.h>
#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "base/reset.h"

namespace platform {

namespace {

std::mutex gDriveLock;
std::shared_ptr<const VirtualDisc> gDisc;
bool gEnvironmentRead = false;

bool Playable(const WAVEFORMATEX &format) {
  return format.wFormatTag == WAVE_FORMAT_PCM && (format.nChannels == 1 || format.nChannels == 2) &&
         (format.wBitsPerSample == 8 || format.wBitsPerSample == 16) && format.nSamplesPerSec >= 1000 &&
         format.nSamplesPerSec <= 192000 && format.nBlockAlign == format.nChannels * format.wBitsPerSample / 8;
}

// The format and data chunk of a PCM WAVE file; false for anything else.
bool ReadTrackHeader(const std::string &path, DiscTrack *track) {
  HMMIO file = mmioOpenA(const_cast<LPSTR>(path.c_str()), nullptr, MMIO_READ | MMIO_ALLOCBUF);
  if (file == nullptr) return false;
  bool ok = false;
  MMCKINFO riff{}, chunk{};
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  if (mmioDescend(file, &riff, nullptr, MMIO_FINDRIFF) == MMSYSERR_NOERROR) {
    chunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
    WAVEFORMATEX format{};
    if (mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK) == MMSYSERR_NOERROR && chunk.cksize >= 16 &&
        mmioRead(file, reinterpret_cast<HPSTR>(&format), 16) == 16 && Playable(format) &&
        mmioAscend(file, &chunk, 0) == MMSYSERR_NOERROR) {
      chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
      if (mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK) == MMSYSERR_NOERROR) {
        track->path = path;
        track->format = format;
        track->dataOffset = static_cast<LONG>(chunk.dwDataOffset);
        track->dataBytes = chunk.cksize - chunk.cksize % format.nBlockAlign;
        track->frames = static_cast<uint32_t>(track->Samples() * kCdFramesPerSecond / format.nSamplesPerSec);
        ok = track->frames > 0;
      }
    }
  }
  mmioClose(file, 0);
  return ok;
}

std::shared_ptr<VirtualDisc> LayOut(const std::vector<std::string> &files) {
  auto disc = std::make_shared<VirtualDisc>();
  for (const std::string &path : files) {
    // A CD holds at most 99 tracks.
    if (disc->tracks.size() == 99) break;
    DiscTrack track{};
    if (!ReadTrackHeader(path, &track)) continue;
    track.start = disc->totalFrames;
    disc->totalFrames += track.frames;
    disc->tracks.push_back(track);
  }
  return disc->tracks.empty() ? nullptr : disc;
}

std::vector<std::string> FolderFiles(const std::string &folder) {
  std::vector<std::string> names;
  DIR *dir = opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (const dirent *entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, ".wav") == 0) names.push_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  for (std::string &name : names) name = folder + "/" + name;
  return names;
}

void SetDisc(std::shared_ptr<const VirtualDisc> disc) {
  std::lock_guard<std::mutex> hold(gDriveLock);
  gDisc = std::move(disc);
  gEnvironmentRead = true;
}

void ResetDrive() {
  std::lock_guard<std::mutex> hold(gDriveLock);
  gDisc = nullptr;
  gEnvironmentRead = false;
}
ResetHook gResetDrive(ResetDrive);

}  // namespace

std::shared_ptr<const VirtualDisc> CurrentDisc() {
  {
    std::lock_guard<std::mutex> hold(gDriveLock);
    if (gEnvironmentRead) return gDisc;
  }
  const char *folder = std::getenv("KORVANE_CD");
  std::shared_ptr<const VirtualDisc> disc;
  if (folder != nullptr && folder[0] != '\0') disc = LayOut(FolderFiles(folder));
  std::lock_guard<std::mutex> hold(gDriveLock);
  if (!gEnvironmentRead) {
    gDisc = disc;
    gEnvironmentRead = true;
  }
  return gDisc;
}

bool InsertDiscFolder(const std::string &folder) { return InsertDiscFiles(FolderFiles(folder)); }

bool InsertDiscFiles(const std::vector<std::string> &files) {
  std::shared_ptr<VirtualDisc> disc = LayOut(files);
  if (disc == nullptr) return false;
  SetDisc(std::move(disc));
  return true;
}

void EjectDisc() { SetDisc(nullptr); }

bool LoadTrackSound(const DiscTrack &track, std::vector<int16_t> *frames) {
  HMMIO file = mmioOpenA(const_cast<LPSTR>(track.path.c_str()), nullptr, MMIO_READ | MMIO_ALLOCBUF);
  if (file == nullptr) return false;
  std::vector<BYTE> bytes(track.dataBytes);
  const bool ok = mmioSeek(file, track.dataOffset, SEEK_SET) == track.dataOffset &&
                  mmioRead(file, reinterpret_cast<HPSTR>(bytes.data()), static_cast<LONG>(bytes.size())) ==
                      static_cast<LONG>(bytes.size());
  mmioClose(file, 0);
  if (!ok) return false;
  const uint64_t samples = track.Samples();
  frames->resize(2 * samples);
  const int channels = track.format.nChannels;
  for (uint64_t i = 0; i < samples; ++i) {
    for (int c = 0; c < 2; ++c) {
      const uint64_t at = i * channels + (channels == 2 ? c : 0);
      int16_t value;
      if (track.format.wBitsPerSample == 8) {
        value = static_cast<int16_t>((bytes[at] - 128) * 256);
      } else {
        std::memcpy(&value, &bytes[2 * at], 2);
      }
      (*frames)[2 * i + c] = value;
    }
  }
  return true;
}

}  // namespace platform
