// The table of output drivers and the null sink, which takes the output
// and lets it go.
#include "audio/audio_sink.h"

#include "audio/memory_sink.h"
#include "audio/sdl_device_sink.h"
#include "audio/wav_file_sink.h"

namespace platform {

namespace {

class NullSink : public AudioSink {
 public:
  void Write(const WAVEFORMATEX &, const BYTE *, size_t, bool) override {}
};

std::shared_ptr<AudioSink> OpenNull(const std::string &) { return std::make_shared<NullSink>(); }
std::shared_ptr<AudioSink> OpenMemory(const std::string &) { return std::make_shared<MemorySink>(); }
std::shared_ptr<AudioSink> OpenWav(const std::string &path) { return std::make_shared<WavFileSink>(path); }
// The sound card; a target is a WAV file that records the same sound.
std::shared_ptr<AudioSink> OpenDevice(const std::string &path) {
  return SdlDeviceSink::Open(path.empty() ? nullptr : OpenWav(path));
}

const AudioDriver kDrivers[] = {
    {"none", OpenNull},
    {"wav", OpenWav},
    {"memory", OpenMemory},
    {"device", OpenDevice},
};

}  // namespace

const AudioDriver *FindAudioDriver(const std::string &name) {
  for (const AudioDriver &driver : kDrivers) {
    if (name == driver.name) return &driver;
  }
  return nullptr;
}

}  // namespace platform
