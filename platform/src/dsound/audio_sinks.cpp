// The output sinks: the WAV file recorder and the memory capture.
#include "dsound/audio_sinks.h"

#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

void PutU32(BYTE *at, uint32_t value) { std::memcpy(at, &value, 4); }

// The 44-byte header of a PCM RIFF WAVE file holding `dataBytes` bytes.
void MakeHeader(const WAVEFORMATEX &format, uint32_t dataBytes, BYTE header[44]) {
  std::memcpy(header, "RIFF", 4);
  PutU32(header + 4, 36 + dataBytes);
  std::memcpy(header + 8, "WAVEfmt ", 8);
  PutU32(header + 16, 16);
  std::memcpy(header + 20, &format, 16);  // the PCM part of WAVEFORMATEX
  std::memcpy(header + 36, "data", 4);
  PutU32(header + 40, dataBytes);
}

bool SameFormat(const WAVEFORMATEX &a, const WAVEFORMATEX &b) { return std::memcmp(&a, &b, 16) == 0; }

}  // namespace

WavFileSink::~WavFileSink() { Close(); }

void WavFileSink::Open(const std::string &path) {
  Close();
  path_ = path;
  stopped_ = false;
}

void WavFileSink::Close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  path_.clear();
  dataBytes_ = 0;
  audible_ = false;
}

bool WavFileSink::Start(const WAVEFORMATEX &format) {
  if (file_ != nullptr) std::fclose(file_);
  file_ = std::fopen(path_.c_str(), "wb");
  if (file_ == nullptr) {
    std::fprintf(stderr, "sound card: cannot record to %s\n", path_.c_str());
    stopped_ = true;
    return false;
  }
  format_ = format;
  dataBytes_ = 0;
  audible_ = false;
  UpdateHeader();
  return true;
}

void WavFileSink::UpdateHeader() {
  BYTE header[44];
  MakeHeader(format_, dataBytes_, header);
  std::fseek(file_, 0, SEEK_SET);
  std::fwrite(header, 1, sizeof header, file_);
  std::fseek(file_, 0, SEEK_END);
  std::fflush(file_);
}

void WavFileSink::Write(const WAVEFORMATEX &format, const BYTE *bytes, size_t count, bool audible) {
  if (path_.empty() || stopped_) return;
  if (file_ != nullptr && !SameFormat(format, format_)) {
    // A file has one format: a change before anything was heard starts the
    // recording again in the new format; after that the recording ends.
    if (audible_) {
      std::fprintf(stderr, "sound card: output format changed, recording %s ends\n", path_.c_str());
      std::fclose(file_);
      file_ = nullptr;
      stopped_ = true;
      return;
    }
  }
  if ((file_ == nullptr || !SameFormat(format, format_)) && !Start(format)) return;
  // A RIFF size field is 32 bits: the recording stops short of 4 GB.
  if (dataBytes_ + count > 0xFFFFFF00u) return;
  std::fwrite(bytes, 1, count, file_);
  dataBytes_ += static_cast<uint32_t>(count);
  audible_ = audible_ || audible;
  UpdateHeader();
}

void AudioSinks::Reset() {
  capturing = false;
  captured.clear();
  const char *path = std::getenv("KORVANE_AUDIO_WAV");
  if (path != nullptr && path[0] != '\0') {
    if (wav.path() != path) wav.Open(path);
  } else {
    wav.Close();
  }
}

void AudioSinks::Write(const WAVEFORMATEX &format, const BYTE *bytes, size_t count, bool audible) {
  wav.Write(format, bytes, count, audible);
  if (capturing) {
    capturedFormat = format;
    captured.insert(captured.end(), bytes, bytes + count);
  }
}

}  // namespace platform
