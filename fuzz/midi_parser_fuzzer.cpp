// libFuzzer entry for the standard MIDI file reader: every input is parsed;
// the sanitizers catch reads outside it, the checks below a song that
// disagrees with itself (events out of time order or past the song's end,
// or anything but channel messages).
#include <cstdint>
#include <cstdlib>

#include "mci/midi_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  platform::MidiSong song;
  const MCIERROR result = platform::ParseMidiFile(data, size, &song);
  if (result != 0) {
    if (!song.events.empty()) abort();
    return 0;
  }
  if (song.tracks == 0 || song.format > 1) abort();
  uint64_t last = 0;
  for (const platform::MidiEvent &event : song.events) {
    if (event.microseconds < last || event.microseconds > song.lengthMicroseconds) abort();
    if (event.status < 0x80 || event.status >= 0xF0 || event.data1 >= 0x80 || event.data2 >= 0x80) abort();
    last = event.microseconds;
  }
  return 0;
}
