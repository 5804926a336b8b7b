// DSOUND_RELEASE: everything made from the DirectSound object (module music,
// sound effects, stream buffers) goes before the object itself.
#include "core/report.h"
#include "core/sound_events.h"
#include "korvane.h"
#include "sound/sound_device.h"
#include "sound/sound_registry.h"
#include "sound/stream_registry.h"

extern "C" int DSOUND_RELEASE(void) {
  ReportDetail("### DIRECTSOUND RELEASE OBJECTS ###");
  if (glpDS != nullptr) {
    // What plays through the object (music the host left playing) stops and
    // releases its buffers before the object they belong to goes.
    NotifySoundDeviceReleasing();
    Sound_FreeAll();
    // Stream waves outlive DirectSound as records, but their buffers die
    // with the object; they are released first so nothing touches them later.
    Streamwave_ReleaseBuffers();
    if (glpDSBPrimary != nullptr) glpDSBPrimary->Stop();
    glpDS->Release();
    glpDS = nullptr;
    glpDSBPrimary = nullptr;
    ReportDetail(" --- DirectSound Released ---");
  }
  ReportDetail("###################################");
  return 0;
}
