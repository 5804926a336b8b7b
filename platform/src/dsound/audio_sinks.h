// Where the sound card's output goes: nowhere (the default), a WAV file
// (KORVANE_AUDIO_WAV or the control interface) and memory (tests). The sound
// card calls them under its lock.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <string>
#include <vector>

namespace platform {

// A RIFF WAVE file written as the card plays; its header is brought up to
// date after every block so the file is complete whenever the host stops.
class WavFileSink {
 public:
  ~WavFileSink();
  void Open(const std::string &path);
  void Close();
  const std::string &path() const { return path_; }
  void Write(const WAVEFORMATEX &format, const BYTE *bytes, size_t count, bool audible);

 private:
  bool Start(const WAVEFORMATEX &format);
  void UpdateHeader();

  std::string path_;
  FILE *file_ = nullptr;
  WAVEFORMATEX format_{};
  uint32_t dataBytes_ = 0;
  bool audible_ = false;
  bool stopped_ = false;
};

class AudioSinks {
 public:
  // The power-on sinks: memory off, a WAV file when KORVANE_AUDIO_WAV names one.
  void Reset();
  void Write(const WAVEFORMATEX &format, const BYTE *bytes, size_t count, bool audible);

  WavFileSink wav;
  bool capturing = false;
  WAVEFORMATEX capturedFormat{};
  std::vector<BYTE> captured;
};

}  // namespace platform
