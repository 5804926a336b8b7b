// The memory output driver ("memory"): keeps the output in a memory sink,
// the same kind the engine captures into, for tests and hosts to read back.
#include "audio/audio_sink.h"
#include "audio/memory_sink.h"

namespace platform {

std::shared_ptr<AudioSink> OpenMemorySink(const std::string &) { return std::make_shared<MemorySink>(); }

}  // namespace platform
