// Fixture of the sound tests: a fresh machine with the virtual audio clock
// and the memory capture, the library started with a detailed report, and
// helpers that read the report's lines and write wave files.
#pragma once

#include <string>
#include <vector>

#include "korvane.h"
#include "machine.h"
#include "machine_sound.h"
#include "support/test_machine.h"
#include "support/wave_builder.h"

using LineList = std::vector<std::string>;

// A file a reader must refuse, the fault injected first (if any) and the
// report lines expected.
struct FileFailureCase {
  const char *file;
  const char *faultOperation;
  HRESULT fault;
  LineList lines;
};

class SoundTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    machine::use_virtual_audio_clock();
    machine::capture_audio(true);
    REPORT_MODE("sound", 1);
    ASSERT_EQ(KORVANE_INIT(Window(), nullptr), 0);
  }

  static HWND Window() { return reinterpret_cast<HWND>(0x5000); }

  // The report's lines after its first.
  static std::vector<std::string> Lines() {
    std::string text = ReadWholeFile("sound.txt");
    std::vector<std::string> lines;
    size_t start = text.find('\n');
    while (start != std::string::npos && start + 1 < text.size()) {
      size_t end = text.find('\n', start + 1);
      lines.push_back(text.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1));
      start = end;
    }
    return lines;
  }

  // Lines written since the last call of Mark().
  void Mark() { marked_ = Lines().size(); }
  std::vector<std::string> NewLines() const {
    std::vector<std::string> lines = Lines();
    return std::vector<std::string>(lines.begin() + static_cast<long>(std::min(marked_, lines.size())), lines.end());
  }

  static bool HasLine(const std::string &line) {
    for (const std::string &each : Lines()) {
      if (each == line) return true;
    }
    return false;
  }

  static std::string WriteWave(const std::string &name, const WaveRecipe &recipe) {
    WriteWholeFile(name, BuildWave(recipe));
    return name;
  }

  // The broken and refused files both readers are tried on: good.wav (16-bit
  // PCM), text.wav, zero.wav (empty), nofmt.wav, shortfmt.wav (14-byte
  // format), fmtlast.wav (the format chunk ends the file), float.wav,
  // nodata.wav, lying.wav (a data size past the end), wide.wav (24-bit) and
  // empty.wav (no data bytes).
  static void WriteTroubleFiles() {
    WaveRecipe pcm;
    pcm.data = Samples16(Ramp16(100));
    WriteWave("good.wav", pcm);
    WriteWholeFile("text.wav", "this is not a RIFF file at all");
    WriteWholeFile("zero.wav", "");
    WriteWholeFile("nofmt.wav", std::string("RIFF\x0c\0\0\0WAVEdata\0\0\0\0", 20));
    auto variant = [&pcm](const char *name, void (*change)(WaveRecipe *)) {
      WaveRecipe recipe = pcm;
      change(&recipe);
      WriteWave(name, recipe);
    };
    variant("shortfmt.wav", [](WaveRecipe *r) { r->formatChunkSize = 14; });
    variant("fmtlast.wav", [](WaveRecipe *r) { r->omitData = true; });
    variant("float.wav", [](WaveRecipe *r) { r->formatTag = 3, r->bits = 32; });
    variant("nodata.wav", [](WaveRecipe *r) { r->omitData = true, r->formatChunkSize = 18; });
    variant("lying.wav", [](WaveRecipe *r) { r->dataSizeOverride = 100000; });
    variant("wide.wav", [](WaveRecipe *r) { r->bits = 24; });
    variant("empty.wav", [](WaveRecipe *r) { r->data.clear(); });
  }

  size_t marked_ = 0;
};
