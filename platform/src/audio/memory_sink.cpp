// The memory sink.
#include "audio/memory_sink.h"

namespace platform {

void MemorySink::Write(const WAVEFORMATEX &blockFormat, const BYTE *data, size_t count, bool) {
  format = blockFormat;
  bytes.insert(bytes.end(), data, data + count);
}

}  // namespace platform
