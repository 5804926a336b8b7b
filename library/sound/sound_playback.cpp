// PLAY_SOUND and the setters and getters: volume, pan and frequency of a
// sound's next copy in DirectSound's own units, and the copy rotation.
#include <algorithm>

#include "core/error_names.h"
#include "core/report.h"
#include "korvane.h"
#include "sound/sound_registry.h"

namespace {

constexpr LONG kVolumeMin = -10000, kVolumeMax = 0;
constexpr LONG kPanMin = -10000, kPanMax = 10000;

DWORD PlayFlags(int loop) { return loop != 0 ? DSBPLAY_LOOPING : 0; }

LPDIRECTSOUNDBUFFER NextCopy(const SoundRecord *sound) { return sound->SoundBuffer[sound->nNextCopy]; }

// A setter's value goes to the next copy, which then plays (or keeps
// playing) from where it stands with the last PLAY_SOUND's loop flag.
template <typename Apply>
void ApplyToNextCopy(int id, Apply apply) {
  SoundRecord *sound = Sound_Find(id);
  if (sound == nullptr) return;
  LPDIRECTSOUNDBUFFER copy = NextCopy(sound);
  apply(sound, copy);
  copy->Play(0, 0, PlayFlags(sound->nLoop));
}

}  // namespace

extern "C" void SET_VOL(int id, int volume) {
  ApplyToNextCopy(id, [volume](SoundRecord *, LPDIRECTSOUNDBUFFER copy) {
    copy->SetVolume(std::clamp<LONG>(volume, kVolumeMin, kVolumeMax));
  });
}

extern "C" void SET_PAN(int id, int pan) {
  ApplyToNextCopy(id, [pan](SoundRecord *, LPDIRECTSOUNDBUFFER copy) {
    copy->SetPan(std::clamp<LONG>(pan, kPanMin, kPanMax));
  });
}

extern "C" void SET_FREQ(int id, int frequencyOffset) {
  ApplyToNextCopy(id, [frequencyOffset](SoundRecord *sound, LPDIRECTSOUNDBUFFER copy) {
    // Summed in 64 bits: any offset the host passes lands in the range.
    const long long frequency = static_cast<long long>(sound->dwBaseFrequency) + frequencyOffset;
    copy->SetFrequency(static_cast<DWORD>(
        std::clamp<long long>(frequency, kSoundFrequencyMin, kSoundFrequencyMax)));
  });
}

extern "C" int GET_VOL(int id) {
  SoundRecord *sound = Sound_Find(id);
  LONG volume = 0;
  if (sound != nullptr) NextCopy(sound)->GetVolume(&volume);
  return static_cast<int>(volume);
}

extern "C" int GET_PAN(int id) {
  SoundRecord *sound = Sound_Find(id);
  LONG pan = 0;
  if (sound != nullptr) NextCopy(sound)->GetPan(&pan);
  return static_cast<int>(pan);
}

extern "C" int GET_FREQ(int id) {
  SoundRecord *sound = Sound_Find(id);
  DWORD frequency = 0;
  if (sound != nullptr) NextCopy(sound)->GetFrequency(&frequency);
  return static_cast<int>(frequency);
}

extern "C" int PLAY_SOUND(int id, int volume, int pan, int frequencyOffset, int loop) {
  SoundRecord *sound = Sound_Find(id);
  if (sound == nullptr) return 1;
  if (FAILED(NextCopy(sound)->SetCurrentPosition(0))) {
    ReportLine(" IDSB_SetCurrentPosition failed.");
    return 1;
  }
  SET_VOL(id, volume);
  SET_PAN(id, pan);
  SET_FREQ(id, frequencyOffset);
  sound->nLoop = loop;
  LPDIRECTSOUNDBUFFER copy = NextCopy(sound);
  ++sound->nNextCopy;
  const DWORD flags = PlayFlags(loop);
  HRESULT result = copy->Play(0, 0, flags);
  if (FAILED(result)) {
    ReportLine(" !!! PLAY_SOUND error: %s !!!", DSErrorName(result));
    if (result == DSERR_BUFFERLOST) copy->Restore();
    if (FAILED(copy->Play(0, 0, flags))) ReportLine(" !!! Couldn't Play Sound Buffer!!!");
  }
  if (sound->nNextCopy >= sound->nCopies) sound->nNextCopy = 0;
  return 0;
}
