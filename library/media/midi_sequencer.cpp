// MIDI_* exports and IS_MIDI_READY: open, play from the start, pause,
// resume, stop, close, and the playing flag kept in step with the device.
#include "media/midi_sequencer.h"

#include <cstring>

#include "core/lifecycle.h"
#include "core/state_reset.h"
#include "korvane.h"
#include "media/mci_request.h"

MCIDEVICEID gMIDIDeviceID = 0;
int gMIDIPlaying = 0;

namespace {

// MCI_STATUS_MODE of the sequencer, with the request's result.
MCIERROR QueryMode(DWORD *mode) {
  MCI_STATUS_PARMS status;
  std::memset(&status, 0, sizeof status);
  status.dwItem = MCI_STATUS_MODE;
  const MCIERROR result = SendMCI(gMIDIDeviceID, MCI_STATUS, MCI_STATUS_ITEM, &status);
  *mode = static_cast<DWORD>(status.dwReturn);
  return result;
}

// Play to the end, telling the host window when it gets there.
MCIERROR PlayWithNotify() {
  MCI_PLAY_PARMS play;
  std::memset(&play, 0, sizeof play);
  play.dwCallback = reinterpret_cast<DWORD_PTR>(ghWnd);
  const MCIERROR result = SendMCI(gMIDIDeviceID, MCI_PLAY, MCI_NOTIFY, &play);
  // Only a play that started makes the file count as playing; otherwise
  // IS_MIDI_READY would answer 1 for ever.
  if (result == 0) gMIDIPlaying = 1;
  return result;
}

void ResetMIDIState() {
  if (gMIDIDeviceID != 0) mciSendCommandA(gMIDIDeviceID, MCI_CLOSE, 0, 0);
  gMIDIDeviceID = 0;
  gMIDIPlaying = 0;
}
const korvane::StateResetHook gResetMIDI(korvane::ResetStage::kSound, ResetMIDIState);

}  // namespace

extern "C" int MIDI_OPEN(const char *file_name) {
  if (gMIDIDeviceID != 0) MIDI_CLOSE();
  // No name, no request: MCI would be asked to open nothing.
  if (file_name == nullptr) return 0;
  MCI_OPEN_PARMSA open;
  std::memset(&open, 0, sizeof open);
  open.lpstrDeviceType = "sequencer";
  open.lpstrElementName = file_name;
  const MCIERROR result = SendMCI(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT, &open);
  gMIDIDeviceID = result == 0 ? open.wDeviceID : 0;
  return static_cast<int>(gMIDIDeviceID);
}

extern "C" int MIDI_PLAY(void) {
  MIDI_STOP();
  MCI_SEEK_PARMS seek;
  std::memset(&seek, 0, sizeof seek);
  SendMCI(gMIDIDeviceID, MCI_SEEK, MCI_SEEK_TO_START, &seek);
  return static_cast<int>(PlayWithNotify());
}

extern "C" int MIDI_STOP(void) {
  MCI_GENERIC_PARMS stop;
  std::memset(&stop, 0, sizeof stop);
  const MCIERROR result = SendMCI(gMIDIDeviceID, MCI_STOP, 0, &stop);
  gMIDIPlaying = 0;
  return static_cast<int>(result);
}

extern "C" int MIDI_CLOSE(void) {
  MCI_GENERIC_PARMS close;
  std::memset(&close, 0, sizeof close);
  const MCIERROR result = SendMCI(gMIDIDeviceID, MCI_CLOSE, 0, &close);
  gMIDIDeviceID = 0;
  gMIDIPlaying = 0;
  return static_cast<int>(result);
}

extern "C" int MIDI_PAUSE(void) {
  MCI_GENERIC_PARMS pause;
  std::memset(&pause, 0, sizeof pause);
  return static_cast<int>(SendMCI(gMIDIDeviceID, MCI_PAUSE, 0, &pause));
}

extern "C" int MIDI_RESUME(void) {
  DWORD mode = 0;
  const MCIERROR status = QueryMode(&mode);
  if (mode != MCI_MODE_PAUSE) return static_cast<int>(status);
  MCI_GENERIC_PARMS resume;
  std::memset(&resume, 0, sizeof resume);
  SendMCI(gMIDIDeviceID, MCI_RESUME, 0, &resume);
  return static_cast<int>(PlayWithNotify());
}

extern "C" int IS_MIDI_READY(void) {
  DWORD mode = 0;
  QueryMode(&mode);
  if (mode == MCI_MODE_STOP) gMIDIPlaying = 0;
  return gMIDIPlaying == 1 ? 1 : 0;
}
