// The MIDI sequencer: the file reader's tempo map and its refusals, the
// real files of the shared test data, and the MIDI exports' playing flag,
// notification and sound through pause, resume and the end of the file.
#include <windows.h>
#include <mmsystem.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "korvane.h"
#include "machine.h"
#include "machine_clock.h"
#include "machine_media.h"
#include "machine_sound.h"
#include "mci/midi_file.h"
#include "media/mci_request.h"
#include "media/midi_sequencer.h"
#include "support/test_machine.h"

namespace {

std::string U32(uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }
std::string U16(uint16_t v) { return {char(v >> 8), char(v)}; }
std::string Header(uint16_t format, uint16_t tracks, uint16_t division) {
  return "MThd" + U32(6) + U16(format) + U16(tracks) + U16(division);
}
std::string Track(const std::string &events) { return "MTrk" + U32(static_cast<uint32_t>(events.size())) + events; }
const std::string kEnd("\x00\xFF\x2F\x00", 4);
std::string Tempo(uint32_t microsecondsPerQuarter, char delta = 0) {
  return std::string{delta, '\xFF', '\x51', '\x03'} + U32(microsecondsPerQuarter).substr(1);
}
// Four quarter notes of middle C at ticks 0, 96, 192, 288 (96 ticks per
// quarter), written with running status.
const std::string kNotes = std::string("\x00\x90\x3C\x40" "\x60\x3C\x00" "\x00\x3C\x40" "\x60\x3C\x00"
                                       "\x00\x3C\x40" "\x60\x3C\x00" "\x00\x3C\x40" "\x60\x3C\x00", 25);

platform::MidiSong Parse(const std::string &file, MCIERROR expected = 0) {
  platform::MidiSong song;
  EXPECT_EQ(platform::ParseMidiFile(reinterpret_cast<const uint8_t *>(file.data()), file.size(), &song), expected);
  return song;
}

TEST(MidiFileTest, TempoMapOfAnotherTrackTimesTheNotes) {
  // Tempo 120 bpm, then 240 bpm from tick 192 (two quarters in).
  const std::string file = Header(1, 2, 96) + Track(Tempo(500000) + Tempo(250000, '\x81') .substr(0) + kEnd) +
                           Track(kNotes + kEnd);
  // 0x81 alone is an unfinished delta: the tempo track above is refused.
  Parse(file, MCIERR_INVALID_FILE);
  const std::string tempoTrack = Tempo(500000) + std::string("\x81\x40", 2) + Tempo(250000).substr(1) + kEnd;
  platform::MidiSong song = Parse(Header(1, 2, 96) + Track(tempoTrack) + Track(kNotes + kEnd));
  ASSERT_EQ(song.events.size(), 8u);
  const uint64_t expected[] = {0, 500000, 500000, 1000000, 1000000, 1250000, 1250000, 1500000};
  for (size_t i = 0; i < 8; ++i) EXPECT_EQ(song.events[i].microseconds, expected[i]) << i;
  EXPECT_EQ(song.events[1].status, 0x90);  // running status kept
  EXPECT_EQ(song.lengthMicroseconds, 1500000u);
  // SMPTE division: 25 frames of 40 ticks, so a tick is 1 ms whatever the tempo.
  platform::MidiSong smpte = Parse(Header(0, 1, 0xE728) + Track(Tempo(250000) + kNotes + kEnd));
  EXPECT_EQ(smpte.events.back().microseconds, 384000u);
}

TEST(MidiFileTest, MalformedFilesAreRefused) {
  const std::string good = Header(0, 1, 96) + Track(kNotes + kEnd);
  struct Case {
    const char *what;
    std::string file;
  } cases[] = {
      {"empty", ""},
      {"no header", "RIFF" + good.substr(4)},
      {"zero tracks", Header(1, 0, 96)},
      {"format 2", Header(2, 1, 96) + Track(kNotes + kEnd)},
      {"fewer tracks than declared", Header(1, 2, 96) + Track(kNotes + kEnd)},
      {"truncated track", good.substr(0, good.size() - 3)},
      {"chunk length past the end", Header(0, 1, 96) + "MTrk" + U32(0x7FFFFFF0) + kNotes},
      {"running status without a status", Header(0, 1, 96) + Track(std::string("\x00\x3C\x40", 3) + kEnd)},
      {"five-byte delta", Header(0, 1, 96) + Track(std::string("\x81\x81\x81\x81\x01\x90\x3C\x40", 8) + kEnd)},
      {"data byte with its top bit", Header(0, 1, 96) + Track(std::string("\x00\x90\x3C\xC0", 4) + kEnd)},
      {"meta length past the track", Header(0, 1, 96) + Track(std::string("\x00\xFF\x01\x7F", 4))},
      {"trailing partial chunk", good + "M"},
      {"zero ticks per frame", Header(0, 1, 0xE700) + Track(kNotes + kEnd)},
  };
  for (const Case &each : cases) {
    SCOPED_TRACE(each.what);
    Parse(each.file, MCIERR_INVALID_FILE);
  }
  Parse(good);
}

class MidiTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    if (machine::midi_sound_font().empty()) GTEST_SKIP() << "no General MIDI sound font installed";
    machine::use_virtual_machine_clock();
    machine::capture_audio(true);
    ASSERT_EQ(KORVANE_INIT(Window(), nullptr), 0);
    WriteWholeFile("scale.mid", Header(0, 1, 96) + Track(kNotes + kEnd));
  }
  static HWND Window() { return reinterpret_cast<HWND>(0x7100); }
  static bool Audible() {
    for (short sample : machine::captured_samples()) {
      if (sample != 0) return true;
    }
    return false;
  }
  static int Count(UINT message) {
    int count = 0;
    for (const machine::MciRequest &request : machine::mci_requests()) count += request.message == message;
    return count;
  }
};

TEST_F(MidiTest, PlaysToTheEndThroughPauseAndResumeAndNotifiesTheHost) {
  const int id = MIDI_OPEN("scale.mid");
  ASSERT_NE(id, 0);
  EXPECT_EQ(IS_MIDI_READY(), 0);
  ASSERT_EQ(MIDI_PLAY(), 0);
  EXPECT_EQ(IS_MIDI_READY(), 1);
  machine::advance_machine_clock(400);
  EXPECT_TRUE(Audible());
  ASSERT_EQ(MIDI_PAUSE(), 0);
  machine::clear_captured_audio();
  machine::advance_machine_clock(3000);  // longer than the song: paused, it cannot end
  EXPECT_FALSE(Audible());
  EXPECT_EQ(IS_MIDI_READY(), 1);
  EXPECT_EQ(MIDI_RESUME(), 0);
  EXPECT_EQ(IS_MIDI_READY(), 1);
  machine::advance_machine_clock(1000);
  EXPECT_EQ(IS_MIDI_READY(), 1);
  machine::advance_machine_clock(700);  // 2.1 s played in all: past the 2 s song
  EXPECT_EQ(IS_MIDI_READY(), 0);
  std::vector<machine::MciNotification> notes = machine::mci_notifications();
  ASSERT_FALSE(notes.empty());
  // The first play's notification was aborted by the pause; the resumed play ended.
  EXPECT_EQ(notes.front().flag, static_cast<UINT>(MCI_NOTIFY_ABORTED));
  EXPECT_EQ(notes.back().flag, static_cast<UINT>(MCI_NOTIFY_SUCCESSFUL));
  EXPECT_EQ(notes.back().window, Window());
  EXPECT_EQ(notes.back().device, static_cast<UINT>(id));
  EXPECT_EQ(MIDI_CLOSE(), 0);
  EXPECT_EQ(gMIDIDeviceID, 0u);
  EXPECT_EQ(machine::open_mci_devices(), 0);
}

TEST_F(MidiTest, ResumeWhenStoppedSendsOnlyTheStatusAndPlayRestarts) {
  ASSERT_NE(MIDI_OPEN("scale.mid"), 0);
  machine::clear_mci_requests();
  EXPECT_EQ(MIDI_RESUME(), 0);
  EXPECT_EQ(Count(MCI_RESUME) + Count(MCI_PLAY), 0);
  EXPECT_EQ(IS_MIDI_READY(), 0);
  ASSERT_EQ(MIDI_PLAY(), 0);
  machine::advance_machine_clock(1000);
  ASSERT_EQ(MIDI_PLAY(), 0);  // from the beginning again
  machine::advance_machine_clock(1500);
  EXPECT_EQ(IS_MIDI_READY(), 1);
  machine::advance_machine_clock(600);
  EXPECT_EQ(IS_MIDI_READY(), 0);
}

TEST_F(MidiTest, FailedOpenAndPlayLeaveNothingPlaying) {
  WriteWholeFile("bad.mid", Header(0, 1, 96) + Track(kNotes).substr(0, 20));
  EXPECT_EQ(MIDI_OPEN("bad.mid"), 0);
  EXPECT_EQ(gLastMCIResult, static_cast<MCIERROR>(MCIERR_INVALID_FILE));
  EXPECT_EQ(MIDI_OPEN("missing.mid"), 0);
  EXPECT_EQ(MIDI_OPEN(nullptr), 0);
  // No device: the play fails with MCI's code and the flag stays down.
  EXPECT_EQ(MIDI_PLAY(), MCIERR_INVALID_DEVICE_ID);
  EXPECT_EQ(IS_MIDI_READY(), 0);
  EXPECT_EQ(MIDI_RESUME(), MCIERR_INVALID_DEVICE_ID);
  EXPECT_EQ(IS_MIDI_READY(), 0);
}

TEST_F(MidiTest, CommandsStayConsistentWhileTheMixerThreadPlays) {
  // Real time: the mixer thread renders while the host sends commands. A
  // minute-long song cannot end during the loop, so no answer depends on
  // timing.
  machine::use_real_machine_clock();
  std::string notes;
  for (int i = 0; i < 30; ++i) notes += kNotes;
  WriteWholeFile("long.mid", Header(0, 1, 96) + Track(notes + kEnd));
  ASSERT_NE(MIDI_OPEN("long.mid"), 0);
  for (int round = 0; round < 20; ++round) {
    ASSERT_EQ(MIDI_PLAY(), 0);
    EXPECT_EQ(IS_MIDI_READY(), 1);
    EXPECT_EQ(MIDI_PAUSE(), 0);
    EXPECT_EQ(MIDI_RESUME(), 0);
    EXPECT_EQ(IS_MIDI_READY(), 1);
    EXPECT_EQ(MIDI_STOP(), 0);
    EXPECT_EQ(IS_MIDI_READY(), 0);
  }
  ASSERT_EQ(MIDI_PLAY(), 0);
  EXPECT_EQ(MIDI_CLOSE(), 0);
  EXPECT_EQ(machine::open_mci_devices(), 0);
}

TEST_F(MidiTest, SharedTestFilesOpenOrAreRefused) {
  const char *folder = std::getenv("KORVANE_TESTDATA");
  if (folder == nullptr) GTEST_SKIP() << "no shared test data";
  const std::string midi = std::string(folder) + "/midi/";
  if (!FileExists(midi + "jzz-test-c-major-scale.mid")) GTEST_SKIP() << "no MIDI test files";
  struct Case {
    const char *file;
    bool opens;
  } cases[] = {
      {"jzz-test-2-tracks-type-1.mid", true},        {"jzz-test-all-gm-sounds.mid", true},
      {"jzz-test-c-major-scale.mid", true},          {"jzz-test-empty.mid", true},
      {"jzz-test-karaoke-kar.mid", true},            {"jzz-test-multichannel-chords-1.mid", true},
      {"jzz-test-non-midi-track.mid", true},         {"jzz-test-running-status-metaevent.mid", true},
      {"jzz-test-running-status-sysex.mid", true},   {"jzz-test-smpte-offset.mid", true},
      {"jzz-test-track-length.mid", true},           {"jzz-test-vlq-4-byte.mid", true},
      {"jzz-test-2-tracks-type-0.mid", false},       {"jzz-test-2-tracks-type-2.mid", false},
      {"jzz-test-corrupt-file-extra-byte.mid", false}, {"jzz-test-corrupt-file-missing-byte.mid", false},
      {"jzz-test-empty-file.mid", false},            {"jzz-test-not-a-midi-file.mid", false},
  };
  for (const Case &each : cases) {
    SCOPED_TRACE(each.file);
    const int id = MIDI_OPEN((midi + each.file).c_str());
    EXPECT_EQ(id != 0, each.opens);
    if (id == 0) EXPECT_EQ(gLastMCIResult, static_cast<MCIERROR>(MCIERR_INVALID_FILE));
  }
  // The scale plays its eight notes: sound, then the end.
  ASSERT_NE(MIDI_OPEN((midi + "jzz-test-c-major-scale.mid").c_str()), 0);
  ASSERT_EQ(MIDI_PLAY(), 0);
  machine::advance_machine_clock(1000);
  EXPECT_TRUE(Audible());
  machine::advance_machine_clock(10000);
  EXPECT_EQ(IS_MIDI_READY(), 0);
}

}  // namespace
