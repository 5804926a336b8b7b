// Builds small ProTracker modules in memory for the music tests and
// benchmarks: 31- or 15-instrument files with chosen samples (8-bit signed
// data, optional loop), an order list and patterns of four channels (or up
// to 32 in the "xxCH" form).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ModuleSample {
  std::vector<int8_t> data;  // an even number of bytes
  uint8_t volume = 64;
  uint32_t loopStart = 0;   // bytes
  uint32_t loopLength = 0;  // bytes; 0 or 2 means no loop
};

// One note: an Amiga period (428 is C-2), a 1-based sample number, an
// effect and its parameter.
struct ModuleNote {
  int row;
  int channel;
  uint16_t period;
  uint8_t sample;
  uint8_t effect = 0;
  uint8_t parameter = 0;
};

struct ModuleRecipe {
  bool fifteenSamples = false;
  int channels = 4;  // 31-sample modules only: 4 ("M.K.") or 10 ... 32 ("xxCH")
  std::vector<ModuleSample> samples;
  std::vector<uint8_t> orders = {0};
  int patterns = 1;
  std::vector<std::vector<ModuleNote>> notes;  // per pattern
};

inline void PutBigEndian16(std::string *out, uint32_t value) {
  out->push_back(static_cast<char>((value >> 8) & 0xFF));
  out->push_back(static_cast<char>(value & 0xFF));
}

inline std::string BuildModule(const ModuleRecipe &recipe) {
  std::string out(20, '\0');
  out.replace(0, 9, "korvane t");
  const size_t slots = recipe.fifteenSamples ? 15 : 31;
  for (size_t i = 0; i < slots; ++i) {
    std::string name(22, '\0');
    ModuleSample sample;
    if (i < recipe.samples.size()) {
      sample = recipe.samples[i];
      name.replace(0, 6, "sample");
    }
    out += name;
    PutBigEndian16(&out, static_cast<uint32_t>(sample.data.size() / 2));
    out.push_back(0);  // finetune
    out.push_back(static_cast<char>(sample.volume));
    PutBigEndian16(&out, sample.loopStart / 2);
    PutBigEndian16(&out, sample.loopLength > 2 ? sample.loopLength / 2 : 1);
  }
  out.push_back(static_cast<char>(recipe.orders.size()));
  out.push_back(static_cast<char>(recipe.fifteenSamples ? 0x78 : 0x7F));
  std::string orders(128, '\0');
  for (size_t i = 0; i < recipe.orders.size(); ++i) orders[i] = static_cast<char>(recipe.orders[i]);
  out += orders;
  if (!recipe.fifteenSamples) out += recipe.channels == 4 ? "M.K." : std::to_string(recipe.channels) + "CH";
  const size_t rowBytes = static_cast<size_t>(recipe.channels) * 4;
  for (int pattern = 0; pattern < recipe.patterns; ++pattern) {
    std::string cells(64 * rowBytes, '\0');
    if (static_cast<size_t>(pattern) < recipe.notes.size()) {
      for (const ModuleNote &note : recipe.notes[pattern]) {
        const size_t at = static_cast<size_t>(note.row) * rowBytes + static_cast<size_t>(note.channel) * 4;
        cells[at] = static_cast<char>((note.sample & 0xF0) | ((note.period >> 8) & 0x0F));
        cells[at + 1] = static_cast<char>(note.period & 0xFF);
        cells[at + 2] = static_cast<char>(((note.sample & 0x0F) << 4) | (note.effect & 0x0F));
        cells[at + 3] = static_cast<char>(note.parameter);
      }
    }
    out += cells;
  }
  for (const ModuleSample &sample : recipe.samples) {
    for (int8_t value : sample.data) out.push_back(static_cast<char>(value));
  }
  return out;
}

// A square wave of `bytes` samples, period `period` samples, amplitude 100.
inline std::vector<int8_t> SquareWave(size_t bytes, size_t period = 32) {
  std::vector<int8_t> data(bytes);
  for (size_t i = 0; i < bytes; ++i) data[i] = (i % period) < period / 2 ? 100 : -100;
  return data;
}
