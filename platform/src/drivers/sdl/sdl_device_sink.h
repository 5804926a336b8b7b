// The sound card driver ("device"): the mix played on the machine's real
// audio device through SDL2. While it is open the device paces the mixer:
// each time the device asks for sound, the engine mixes exactly that much,
// so what the card plays is what the engine mixed, block for block, and a
// recording kept beside it (a WAV file) holds the same sound.
#pragma once

#include <SDL.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "audio/audio_sink.h"

namespace platform {

class SdlDeviceSink : public AudioSink {
 public:
  // An open device, or null (with the reason on stderr) when none can be
  // opened. `recording` (may be null) receives every block as well.
  static std::shared_ptr<SdlDeviceSink> Open(std::shared_ptr<AudioSink> recording);
  ~SdlDeviceSink() override;

  void Write(const WAVEFORMATEX &format, const BYTE *bytes, size_t count, bool audible) override;
  void Throttle() override;
  void Flush() override;
  void Close() override;
  bool PacesMixing() const override { return true; }

 private:
  explicit SdlDeviceSink(std::shared_ptr<AudioSink> recording) : recording_(std::move(recording)) {}
  bool OpenDevice();
  static void SDLCALL Callback(void *self, Uint8 *out, int length);
  void Fill(Uint8 *out, int length);
  int Available();

  std::shared_ptr<AudioSink> recording_;
  SDL_AudioDeviceID device_ = 0;
  SDL_AudioSpec spec_{};
  std::atomic<bool> closing_{false};

  // The mixed sound on its way to the device, converted to the device's
  // format. Guarded by streamLock_, which is taken after the mix lock.
  std::mutex streamLock_;
  SDL_AudioStream *stream_ = nullptr;
  WAVEFORMATEX streamFormat_{};
  // Converted sound of a format before the current one, played first.
  std::vector<Uint8> carried_;
};

// The sound card's settings and figures, for the machine interface:
// the latency asked of the next device opened (KORVANE_AUDIO_LATENCY_MS,
// 20 ms by default), the latency of the device buffer obtained, and the
// times the device asked for sound the mixer could not give while it ran.
void SetDeviceLatencyMs(unsigned milliseconds);
unsigned DeviceLatencyMs();
double DeviceBufferMs();
unsigned DeviceUnderruns();
void ResetDeviceFigures();

}  // namespace platform
