// Standard MIDI files (format 0 and 1) read into one time-ordered list of
// channel events, with the tempo map already applied: every event carries
// its time in microseconds from the start. Meta and system-exclusive events
// are skipped; malformed files are refused with an MCI error code.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct MidiEvent {
  uint64_t microseconds;
  uint8_t status;  // channel message: 0x80..0xEF
  uint8_t data1;
  uint8_t data2;
};

struct MidiSong {
  WORD format = 0;
  WORD tracks = 0;
  // Ticks per quarter note, or 0 for a file timed in SMPTE frames.
  WORD ticksPerQuarter = 0;
  std::vector<MidiEvent> events;
  // The end of the last track (its end-of-track event), in microseconds.
  uint64_t lengthMicroseconds = 0;
  // The tempo at the start, in microseconds per quarter note.
  uint32_t firstTempo = 500000;
};

// Reads a whole file from memory: 0 and the song, or MCIERR_INVALID_FILE for
// anything malformed (bad or missing header, truncated or overlong chunks,
// running status without a status, unterminated lengths, no tracks, format
// 2) and MCIERR_OUT_OF_MEMORY past the event limit.
MCIERROR ParseMidiFile(const uint8_t *bytes, size_t size, MidiSong *song);

// Reads the named file from disk first (MCIERR_FILE_NOT_FOUND when it cannot
// be opened or read).
MCIERROR LoadMidiFile(const std::string &path, MidiSong *song);

}  // namespace platform
