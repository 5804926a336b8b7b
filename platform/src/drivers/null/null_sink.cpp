// The null output driver ("none"): takes the output and lets it go, for a
// machine whose sound nobody hears.
#include "audio/audio_sink.h"

namespace platform {

namespace {

class NullSink : public AudioSink {
 public:
  void Write(const WAVEFORMATEX &, const BYTE *, size_t, bool) override {}
};

}  // namespace

std::shared_ptr<AudioSink> OpenNullSink(const std::string &) { return std::make_shared<NullSink>(); }

}  // namespace platform
