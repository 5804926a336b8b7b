// The sound device listeners: the subsystems that play through the
// DirectSound object hear here when DSOUND_INIT has made it and when
// DSOUND_RELEASE is about to let it go. The sound device only talks to this
// list, so it needs to know nothing of what plays through it.
#pragma once

// Who listens. Each slot holds at most one listener, and the slot order is
// the call order, whatever order the registrations ran in: "ready" goes from
// the first slot to the last, "releasing" from the last to the first, so that
// what is built on the object lets go of it in the reverse order it took it.
enum class SoundListenerSlot { kMusic, kCount };

struct SoundDeviceListener {
  // DSOUND_INIT has made the object and its primary buffer (after the
  // "Direct Sound Initialized." line, before the capabilities are read).
  // Also runs on every later successful DSOUND_INIT of the process.
  void (*onReady)();
  // DSOUND_RELEASE is about to free the sound effects and the stream
  // buffers and release the object: stop using it and free every buffer
  // made from it. Runs only when the object exists.
  void (*onReleasing)();
};

// Puts `listener` in its slot (replacing what was there). Null members are
// events the listener does not take part in.
void AddSoundDeviceListener(SoundListenerSlot slot, const SoundDeviceListener &listener);

// A static object of this type registers a listener when the library loads.
struct SoundListenerRegistration {
  SoundListenerRegistration(SoundListenerSlot slot, const SoundDeviceListener &listener) {
    AddSoundDeviceListener(slot, listener);
  }
};

void NotifySoundDeviceReady();
void NotifySoundDeviceReleasing();
