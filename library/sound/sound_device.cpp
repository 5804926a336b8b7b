// DSOUND_INIT: the DirectSound object, its cooperative level and primary
// buffer, the capabilities block of the report and the capability queries.
// DSOUND_RELEASE, which frees what was made from the object, is in
// sound_release.cpp.
#include "sound/sound_device.h"

#include <cstring>

#include "core/error_names.h"
#include "core/lifecycle.h"
#include "core/report.h"
#include "core/sound_events.h"
#include "korvane.h"

LPDIRECTSOUND glpDS = nullptr;
LPDIRECTSOUNDBUFFER glpDSBPrimary = nullptr;

namespace {

// The primary format of a level above normal: PCM with the host's channels,
// rate and sample size (16-bit fields, block align by whole bytes).
WAVEFORMATEX PrimaryFormat(int channels, int samplesPerSec, int bitsPerSample) {
  WAVEFORMATEX format;
  std::memset(&format, 0, sizeof format);
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = static_cast<WORD>(channels);
  format.nSamplesPerSec = static_cast<DWORD>(samplesPerSec);
  format.wBitsPerSample = static_cast<WORD>(bitsPerSample);
  format.nBlockAlign = static_cast<WORD>((format.wBitsPerSample / 8) * format.nChannels);
  format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
  format.cbSize = 0;
  return format;
}

// Creates the primary buffer; false when the caller must give up.
bool CreatePrimaryBuffer() {
  DSBUFFERDESC description;
  std::memset(&description, 0, sizeof description);
  description.dwSize = sizeof(DSBUFFERDESC);
  description.dwFlags = DSBCAPS_PRIMARYBUFFER;
  glpDSBPrimary = nullptr;
  HRESULT result = glpDS->CreateSoundBuffer(&description, &glpDSBPrimary, nullptr);
  if (result == DS_OK) return true;
  // A failure leaves no buffer behind, whatever the call wrote.
  if (FAILED(result)) glpDSBPrimary = nullptr;
  if (std::strcmp(DSErrorName(result), kUnknownDirectSoundError) == 0) {
    ReportLine(" ??? DSCreateSBuffer returned an unknown error ???");
    return true;
  }
  ReportLine(" !!! Primary Sound Buffer Failed !!!");
  return false;
}

void ReportCapabilities(const DSCAPS &caps) {
  struct FlagLine {
    DWORD flag;
    const char *line;
  };
  static const FlagLine kFlagLines[] = {
      {DSCAPS_EMULDRIVER, ">No soundcard driver with DirectSound support installed"},
      {DSCAPS_PRIMARY16BIT, ">Supports 16-bit primary buffer"},
      {DSCAPS_PRIMARY8BIT, ">Supports 8-bit primary buffer"},
      {DSCAPS_PRIMARYMONO, ">Supports monophonic primary buffer"},
      {DSCAPS_PRIMARYSTEREO, ">Supports stereo primary buffer"},
      {DSCAPS_SECONDARY16BIT, ">Supports 16-bit, hardware mixed secondary buffers"},
      {DSCAPS_SECONDARY8BIT, ">Supports 8-bit, hardware mixed secondary buffers"},
      {DSCAPS_SECONDARYMONO, ">Supports hardware mixed monophonic secondary buffers"},
      {DSCAPS_SECONDARYSTEREO, ">Supports hardware mixed stereo secondary buffers"},
  };
  ReportLine(" --- DirectSound & SoundCard's driver relation info ---");
  ReportLine((caps.dwFlags & DSCAPS_CERTIFIED) ? ">Soundcard's driver has been tested and certified by Microsoft."
                                                : ">Soundcard's driver has not been tested and certified by Microsoft.");
  if (caps.dwFlags & DSCAPS_CONTINUOUSRATE) {
    ReportLine(">Supports all sample rates between %d and %d", static_cast<int>(caps.dwMinSecondarySampleRate),
               static_cast<int>(caps.dwMaxSecondarySampleRate));
  }
  for (const FlagLine &entry : kFlagLines) {
    if (caps.dwFlags & entry.flag) ReportLine("%s", entry.line);
  }
  ReportLine(" --- End of Info ---");
}

// Reads the capabilities; false when DirectSound is not initialised or
// GetCaps fails.
bool ReadCapabilities(DSCAPS *caps) {
  std::memset(caps, 0, sizeof *caps);
  caps->dwSize = sizeof(DSCAPS);
  return glpDS != nullptr && SUCCEEDED(glpDS->GetCaps(caps));
}

int CapabilityOrZero(DWORD DSCAPS::*field) {
  DSCAPS caps;
  return ReadCapabilities(&caps) ? static_cast<int>(caps.*field) : 0;
}

// The two frequency-limit queries report their value or their failure.
int ReportedRate(DWORD DSCAPS::*field, const char *name) {
  DSCAPS caps;
  if (!ReadCapabilities(&caps)) {
    ReportLine("Call to dscaps.%s failed", name);
    return 0;
  }
  ReportLine("Size of %s = %d", name, static_cast<int>(caps.*field));
  return static_cast<int>(caps.*field);
}

}  // namespace

extern "C" int DSOUND_INIT(int level, int channels, int samplesPerSec, int bitsPerSample) {
  if (glpDS != nullptr) {
    ReportLine(" DirectSound already initialized.");
    return 0;
  }
  if (FAILED(DirectSoundCreate(nullptr, &glpDS, nullptr))) {
    glpDS = nullptr;
    ReportLine(" !!! DirectSoundCreate failed !!!");
    return 1;
  }
  const DWORD cooperativeLevel = static_cast<DWORD>(level);
  if (FAILED(glpDS->SetCooperativeLevel(ghWnd, cooperativeLevel))) {
    glpDS->Release();
    glpDS = nullptr;
    ReportLine(" !!! IDirectSound_Set CooperativeLevel failed !!!");
    return 1;
  }
  if (!CreatePrimaryBuffer()) return 1;
  // A primary buffer that could not be created is never used.
  if (glpDSBPrimary != nullptr) {
    if (cooperativeLevel > DSSCL_NORMAL) {
      WAVEFORMATEX format = PrimaryFormat(channels, samplesPerSec, bitsPerSample);
      HRESULT result = glpDSBPrimary->SetFormat(&format);
      if (FAILED(result)) ReportLine("%s", DSErrorName(result));
    }
    glpDSBPrimary->Play(0, 0, DSBPLAY_LOOPING);
  }
  ReportDetail(" Direct Sound Initialized.");
  // What plays through the object (module music) sets up its output.
  NotifySoundDeviceReady();

  DSCAPS caps;
  ReadCapabilities(&caps);
  if (gReportMode == REPORT_DETAILED) ReportCapabilities(caps);
  return 0;
}

extern "C" int FREE_DSHWBUFFERS(void) { return CapabilityOrZero(&DSCAPS::dwFreeHwMixingAllBuffers); }
extern "C" int FREE_DSHWBYTES(void) { return CapabilityOrZero(&DSCAPS::dwFreeHwMemBytes); }
extern "C" int TOTAL_DSHWBYTES(void) { return CapabilityOrZero(&DSCAPS::dwTotalHwMemBytes); }

extern "C" int GET_HWFREQ_MIN(void) {
  return ReportedRate(&DSCAPS::dwMinSecondarySampleRate, "dwMinSecondarySampleRate");
}

extern "C" int GET_HWFREQ_MAX(void) {
  return ReportedRate(&DSCAPS::dwMaxSecondarySampleRate, "dwMaxSecondarySampleRate");
}

extern "C" int GET_SWFREQ_MIN(void) { return static_cast<int>(kSoundFrequencyMin); }
extern "C" int GET_SWFREQ_MAX(void) { return static_cast<int>(kSoundFrequencyMax); }
