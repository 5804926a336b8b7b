// The standard MIDI file reader: header and track chunks, delta times,
// running status, meta and system-exclusive events skipped by their
// lengths, and the tempo map turned into event times in microseconds.
#include "mci/midi_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace platform {

namespace {

// More events than any real song holds: a file asking for more is refused
// rather than exhausting memory.
constexpr size_t kMaxEvents = 4u << 20;
constexpr uint8_t kMetaTempo = 0x51;
constexpr uint8_t kMetaEndOfTrack = 0x2F;

uint32_t BigEndian32(const uint8_t *at) {
  return (uint32_t{at[0]} << 24) | (uint32_t{at[1]} << 16) | (uint32_t{at[2]} << 8) | at[3];
}
uint16_t BigEndian16(const uint8_t *at) { return static_cast<uint16_t>((at[0] << 8) | at[1]); }

// One event of a track before the tempo map is applied: a channel message,
// or a tempo change (status 0 and the tempo in `tempo`).
struct TickEvent {
  uint64_t tick;
  uint32_t tempo;
  MidiEvent event;
};

class TrackReader {
 public:
  TrackReader(const uint8_t *data, size_t size) : at_(data), end_(data + size) {}

  // Appends the track's events; false when the track is malformed. `endTick`
  // is the tick of its end (the end-of-track event, or its last event).
  bool Read(std::vector<TickEvent> *events, uint64_t *endTick) {
    uint64_t tick = 0;
    uint8_t running = 0;
    while (at_ < end_) {
      uint32_t delta;
      if (!Number(&delta)) return false;
      tick += delta;
      uint8_t status;
      if (!Byte(&status)) return false;
      if (status == 0xFF) {
        uint8_t type;
        uint32_t length;
        if (!Byte(&type) || !Number(&length) || !Has(length)) return false;
        if (type == kMetaTempo && length == 3) {
          const uint32_t tempo = (uint32_t{at_[0]} << 16) | (uint32_t{at_[1]} << 8) | at_[2];
          if (tempo > 0 && !Push(events, TickEvent{tick, tempo, MidiEvent{0, 0, 0, 0}})) return false;
        }
        at_ += length;
        if (type == kMetaEndOfTrack) break;
        continue;
      }
      if (status == 0xF0 || status == 0xF7) {
        uint32_t length;
        if (!Number(&length) || !Has(length)) return false;
        at_ += length;
        continue;
      }
      if (status > 0xF0) return false;  // system common and real-time bytes have no place in a file
      uint8_t data1;
      if (status < 0x80) {
        // Running status: the byte read is the first data byte.
        if (running == 0) return false;
        data1 = status;
        status = running;
      } else {
        running = status;
        if (!Byte(&data1)) return false;
      }
      uint8_t data2 = 0;
      const uint8_t kind = status & 0xF0;
      if (kind != 0xC0 && kind != 0xD0 && !Byte(&data2)) return false;
      if (data1 >= 0x80 || data2 >= 0x80) return false;
      if (!Push(events, TickEvent{tick, 0, MidiEvent{0, status, data1, data2}})) return false;
    }
    *endTick = tick;
    return true;
  }

 private:
  bool Has(uint32_t count) const { return static_cast<size_t>(end_ - at_) >= count; }
  bool Byte(uint8_t *value) {
    if (at_ >= end_) return false;
    *value = *at_++;
    return true;
  }
  // A variable-length quantity of at most four bytes.
  bool Number(uint32_t *value) {
    *value = 0;
    for (int i = 0; i < 4; ++i) {
      uint8_t byte;
      if (!Byte(&byte)) return false;
      *value = (*value << 7) | (byte & 0x7F);
      if ((byte & 0x80) == 0) return true;
    }
    return false;
  }
  static bool Push(std::vector<TickEvent> *events, const TickEvent &event) {
    if (events->size() >= kMaxEvents) return false;
    events->push_back(event);
    return true;
  }

  const uint8_t *at_;
  const uint8_t *end_;
};

// Microseconds per tick from the header's division: ticks per quarter note
// (scaled by the current tempo) or SMPTE frames per second and ticks per
// frame (tempo changes do not apply).
class TempoMap {
 public:
  explicit TempoMap(uint16_t division) {
    if (division & 0x8000) {
      const int framesPerSecond = -static_cast<int8_t>(division >> 8);
      const double fps = framesPerSecond == 29 ? 29.97 : framesPerSecond;
      if (framesPerSecond > 0 && (division & 0xFF) != 0) smpteMicrosecondsPerTick_ = 1e6 / (fps * (division & 0xFF));
    } else {
      ticksPerQuarter_ = division;
    }
  }
  bool Valid() const { return ticksPerQuarter_ != 0 || smpteMicrosecondsPerTick_ > 0; }

  uint64_t Microseconds(uint64_t tick) const {
    const double perTick = ticksPerQuarter_ != 0 ? static_cast<double>(tempo_) / ticksPerQuarter_ : smpteMicrosecondsPerTick_;
    const double since = static_cast<double>(tick - baseTick_) * perTick;
    // Absurd times (deltas of years) are held at a far but safe end.
    const double kFar = 1e18;
    return baseMicroseconds_ + static_cast<uint64_t>(std::llround(std::min(since, kFar)));
  }
  void SetTempo(uint64_t tick, uint32_t tempo) {
    baseMicroseconds_ = Microseconds(tick);
    baseTick_ = tick;
    if (ticksPerQuarter_ != 0) tempo_ = tempo;
  }

 private:
  uint16_t ticksPerQuarter_ = 0;
  double smpteMicrosecondsPerTick_ = 0;
  uint32_t tempo_ = 500000;
  uint64_t baseTick_ = 0;
  uint64_t baseMicroseconds_ = 0;
};

}  // namespace

MCIERROR ParseMidiFile(const uint8_t *bytes, size_t size, MidiSong *song) {
  *song = MidiSong{};
  if (bytes == nullptr || size < 14 || std::memcmp(bytes, "MThd", 4) != 0) return MCIERR_INVALID_FILE;
  const uint32_t headerLength = BigEndian32(bytes + 4);
  if (headerLength < 6 || headerLength > size - 8) return MCIERR_INVALID_FILE;
  const uint16_t format = BigEndian16(bytes + 8);
  const uint16_t declaredTracks = BigEndian16(bytes + 10);
  const uint16_t division = BigEndian16(bytes + 12);
  if (format > 1 || declaredTracks == 0 || (format == 0 && declaredTracks != 1)) return MCIERR_INVALID_FILE;
  TempoMap tempoMap(division);
  if (!tempoMap.Valid()) return MCIERR_INVALID_FILE;

  std::vector<TickEvent> events;
  uint64_t endTick = 0;
  uint16_t tracks = 0;
  size_t at = 8 + static_cast<size_t>(headerLength);
  // Chunks follow one another to the end of the file; chunks other than
  // tracks are skipped. Every byte must belong to a whole chunk.
  while (at < size) {
    if (size - at < 8) return MCIERR_INVALID_FILE;
    const uint32_t length = BigEndian32(bytes + at + 4);
    if (length > size - at - 8) return MCIERR_INVALID_FILE;
    const uint8_t *data = bytes + at + 8;
    if (std::memcmp(bytes + at, "MTrk", 4) == 0 && tracks < declaredTracks) {
      const size_t before = events.size();
      uint64_t trackEnd = 0;
      if (!TrackReader(data, length).Read(&events, &trackEnd)) {
        return events.size() >= kMaxEvents ? MCIERR_OUT_OF_MEMORY : MCIERR_INVALID_FILE;
      }
      // Events of one track are in time order already; keep the tracks'
      // order for events at the same tick.
      std::inplace_merge(events.begin(), events.begin() + static_cast<long>(before), events.end(),
                         [](const TickEvent &a, const TickEvent &b) { return a.tick < b.tick; });
      endTick = std::max(endTick, trackEnd);
      ++tracks;
    }
    at += 8 + static_cast<size_t>(length);
  }
  if (tracks != declaredTracks) return MCIERR_INVALID_FILE;

  song->format = format;
  song->tracks = tracks;
  song->ticksPerQuarter = (division & 0x8000) ? 0 : division;
  bool firstTempoSeen = false;
  song->events.reserve(events.size());
  for (const TickEvent &each : events) {
    if (each.event.status == 0) {
      if (each.tick == 0 && !firstTempoSeen) song->firstTempo = each.tempo;
      firstTempoSeen = firstTempoSeen || each.tick == 0;
      tempoMap.SetTempo(each.tick, each.tempo);
      continue;
    }
    MidiEvent event = each.event;
    event.microseconds = tempoMap.Microseconds(each.tick);
    song->events.push_back(event);
  }
  song->lengthMicroseconds = tempoMap.Microseconds(endTick);
  return 0;
}

MCIERROR LoadMidiFile(const std::string &path, MidiSong *song) {
  std::FILE *file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return MCIERR_FILE_NOT_FOUND;
  std::vector<uint8_t> bytes;
  uint8_t chunk[65536];
  size_t got;
  bool tooLarge = false;
  // A MIDI file of more than 64 MB is not a song.
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    bytes.insert(bytes.end(), chunk, chunk + got);
    if (bytes.size() > (64u << 20)) {
      tooLarge = true;
      break;
    }
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return MCIERR_FILE_READ;
  if (tooLarge) return MCIERR_INVALID_FILE;
  return ParseMidiFile(bytes.data(), bytes.size(), song);
}

}  // namespace platform
