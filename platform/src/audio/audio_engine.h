// The audio engine: mixes every playing source into the output format and
// hands each block to the output sinks, paced by the machine clock. It runs
// while an output is open (a DirectSound object exists) or a source plays.
// Under real time a mixer thread mixes every 10 ms; under the virtual clock
// each advance mixes exactly the frames of its time. DirectSound buffers and
// the sources of other devices are mixed alike.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/audio_sink.h"
#include "audio/audio_source.h"
#include "audio/memory_sink.h"
#include "base/machine_time.h"

namespace platform {

class AudioEngine : public ClockConsumer {
 public:
  static AudioEngine &Get();
  ~AudioEngine() override;

  // The mix lock: guards the engine and the state of every source.
  std::mutex &lock() { return lock_; }

  // Sources of their own (MCI devices, a video's sound), without the mix
  // lock: Attach puts the source into the mix, playing from the next block,
  // and the engine runs for it whether or not a DirectSound object exists;
  // attaching it again restarts it after its MixInto answered false.
  // Detach takes it out: once Detach returns, the engine never calls it
  // again, so its owner may destroy it.
  void Attach(AudioSource *source);
  void Detach(AudioSource *source);

  // Under the mix lock.
  void AddSource(AudioSource *source);
  void RemoveSource(AudioSource *source);
  // A source began to play (the engine runs) or stopped.
  void SourceStarted(AudioSource *source);
  void SourceStopped(AudioSource *source);
  const WAVEFORMATEX &format() const { return format_; }
  void SetFormat(const WAVEFORMATEX &format);
  uint64_t framesMixed() const { return framesMixed_; }
  MemorySink &capture() { return *capture_; }
  bool capturing = false;
  bool RunningLocked() const;

  // An open output (a DirectSound object) keeps the engine running. Closing
  // the last one while nothing plays stops it and answers the sink the
  // caller flushes once it has let go of the lock (null otherwise).
  void OpenOutputLocked();
  std::shared_ptr<AudioSink> CloseOutputLocked();
  // Without the mix lock.
  bool Running();

  // A sound card's request (without the mix lock): mixes what `deviceFrames`
  // at `deviceRate` need and writes it to the output; false, mixing
  // nothing, while the engine is idle or the virtual clock paces it.
  bool MixForDevice(uint32_t deviceFrames, uint32_t deviceRate);

  // The output driver (without the mix lock): false for an unknown driver
  // or one that cannot open here.
  bool UseDriver(const std::string &name, const std::string &target);
  std::string DriverName();

  // The power-on engine: default format, no capture, the output the
  // environment names (KORVANE_AUDIO_DRIVER=name[:target], KORVANE_AUDIO=device
  // for the sound card, or KORVANE_AUDIO_WAV=path, which the sound card also
  // records to when both are set). A recording already going to that same place
  // goes on.
  void Reset();

  Stage stage() const override { return Stage::kMix; }
  uint64_t NextDue() override { return kNever; }
  void CatchUp(uint64_t now) override;
  void ClockSwitched(bool isVirtual) override;

 private:
  struct Entry {
    AudioSource *source;
    bool playing;
  };

  AudioEngine();
  // Becoming active: mixing starts from now.
  void ActivatedLocked();
  void Rebase();
  // Mixes the frames due by `now`, one block at a time; true when anything
  // was written.
  bool MixUpTo(uint64_t now);
  void MixBlockLocked(uint32_t frames);
  void StartThreadLocked();
  void StopThread();
  void ThreadMain();
  void ReplaceOutput(const std::string &name, const std::string &target, std::shared_ptr<AudioSink> sink);
  std::shared_ptr<AudioSink> OutputLocked() const { return output_; }

  std::mutex lock_;
  WAVEFORMATEX format_{};
  std::vector<Entry> sources_;
  int openOutputs_ = 0;
  bool active_ = false;

  // Frames due are those of the machine time since the origin.
  uint64_t origin_ = 0;
  uint64_t framesSinceOrigin_ = 0;
  uint64_t framesMixed_ = 0;
  std::vector<int32_t> mix_;
  std::vector<BYTE> block_;

  std::shared_ptr<AudioSink> output_;
  std::string outputName_;
  std::string outputTarget_;
  std::shared_ptr<MemorySink> capture_;

  bool virtual_ = false;
  std::thread thread_;
  std::condition_variable wake_;
  bool stopping_ = false;
};

}  // namespace platform
