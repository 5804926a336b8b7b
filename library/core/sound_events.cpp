// The slots of the sound device listeners and the calls over them.
#include "core/sound_events.h"

namespace {

constexpr int kSlotCount = static_cast<int>(SoundListenerSlot::kCount);

// Zero-initialised before any registration runs.
SoundDeviceListener gListeners[kSlotCount];

}  // namespace

void AddSoundDeviceListener(SoundListenerSlot slot, const SoundDeviceListener &listener) {
  const int index = static_cast<int>(slot);
  if (index >= 0 && index < kSlotCount) gListeners[index] = listener;
}

void NotifySoundDeviceReady() {
  for (const SoundDeviceListener &listener : gListeners) {
    if (listener.onReady != nullptr) listener.onReady();
  }
}

void NotifySoundDeviceReleasing() {
  for (int index = kSlotCount - 1; index >= 0; --index) {
    if (gListeners[index].onReleasing != nullptr) gListeners[index].onReleasing();
  }
}
