// The table of output drivers. A new back end is a folder of its own under
// drivers/ with an open function declared in audio_sink.h, and one row here.
#include "audio/audio_sink.h"

namespace platform {

namespace {

const AudioDriver kDrivers[] = {
    {"none", OpenNullSink},
    {"wav", OpenWavSink},
    {"memory", OpenMemorySink},
    {"device", OpenDeviceSink},
};

}  // namespace

const AudioDriver *FindAudioDriver(const std::string &name) {
  for (const AudioDriver &driver : kDrivers) {
    if (name == driver.name) return &driver;
  }
  return nullptr;
}

}  // namespace platform
