// The memory sink: keeps every byte of the output, in the output format,
// for tests and hosts to read back.
#pragma once

#include <vector>

#include "audio/audio_sink.h"

namespace platform {

// Read and cleared under the mix lock, like every write.
class MemorySink : public AudioSink {
 public:
  void Write(const WAVEFORMATEX &format, const BYTE *bytes, size_t count, bool audible) override;

  WAVEFORMATEX format{};
  std::vector<BYTE> bytes;
};

}  // namespace platform
