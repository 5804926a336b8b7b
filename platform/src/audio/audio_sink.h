// Where the mixed output goes, behind one small interface, and the table of
// drivers that make sinks: none, a WAV file, memory (later a sound card).
// Adding a driver is a file with its sink and a row in the table.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <memory>
#include <string>

namespace platform {

class AudioSink {
 public:
  virtual ~AudioSink() = default;
  // One mixed block in the output format. Called under the mix lock, so it
  // only takes the bytes: no file or device I/O here.
  virtual void Write(const WAVEFORMATEX &format, const BYTE *bytes, size_t count, bool audible) = 0;
  // The following are called without the mix lock.
  // Waits while the sink is far behind, so that queued output stays small.
  virtual void Throttle() {}
  // Everything written so far is complete where it goes (a WAV file: its
  // data and its header).
  virtual void Flush() {}
  // Flushes and lets go of the file or device; later writes are dropped.
  virtual void Close() {}
  // True for a sink whose device asks for the mix (a sound card): the
  // engine then mixes when asked instead of on its own clock.
  virtual bool PacesMixing() const { return false; }
};

struct AudioDriver {
  const char *name;
  // A new sink, or null when it cannot open here; `target` names the file
  // where the driver needs one.
  std::shared_ptr<AudioSink> (*open)(const std::string &target);
};

// The driver of this name, or null.
const AudioDriver *FindAudioDriver(const std::string &name);

// The output drivers' open functions, each defined with its driver under
// drivers/: "none" takes the output and lets it go, "wav" records it in a
// WAV file, "memory" keeps it for reading back, "device" plays it on the
// sound card (recording it too in the WAV file a target names).
std::shared_ptr<AudioSink> OpenNullSink(const std::string &target);
std::shared_ptr<AudioSink> OpenWavSink(const std::string &path);
std::shared_ptr<AudioSink> OpenMemorySink(const std::string &target);
std::shared_ptr<AudioSink> OpenDeviceSink(const std::string &recordingPath);

}  // namespace platform
