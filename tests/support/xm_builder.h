// Builds small Extended Modules (XM 1.04) in memory for the music tests:
// instruments of one sample each, 8- or 16-bit, delta-coded as the format
// stores them, with an optional forward loop; patterns stored unpacked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct XmSample {
  std::vector<int16_t> data;  // 16-bit values; 8-bit samples keep the high byte
  bool sixteenBit = true;
  uint32_t loopStart = 0, loopLength = 0;  // samples; 0: no loop
  uint8_t volume = 64;
};

struct XmNote {
  int row, channel;
  uint8_t note;  // 1 ... 96, 49 is C-4
  uint8_t instrument;
  uint8_t effect = 0, parameter = 0;
};

struct XmRecipe {
  int channels = 4;
  int speed = 6, tempo = 125;
  std::vector<XmSample> instruments;
  std::vector<uint8_t> orders = {0};
  std::vector<std::vector<XmNote>> patterns = {{}};
};

namespace xm_detail {

inline void Put(std::string *out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

inline std::string Padded(const std::string &text, size_t size) {
  std::string padded = text.substr(0, size);
  padded.resize(size, ' ');
  return padded;
}

}  // namespace xm_detail

inline std::string BuildXm(const XmRecipe &recipe) {
  using xm_detail::Put;
  std::string out = "Extended Module: " + xm_detail::Padded("korvane test", 20) + "\x1a" +
                    xm_detail::Padded("korvane", 20);
  Put(&out, 0x0104, 2);
  Put(&out, 276, 4);
  Put(&out, static_cast<uint32_t>(recipe.orders.size()), 2);
  Put(&out, 0, 2);  // restart
  Put(&out, static_cast<uint32_t>(recipe.channels), 2);
  Put(&out, static_cast<uint32_t>(recipe.patterns.size()), 2);
  Put(&out, static_cast<uint32_t>(recipe.instruments.size()), 2);
  Put(&out, 1, 2);  // linear frequencies
  Put(&out, static_cast<uint32_t>(recipe.speed), 2);
  Put(&out, static_cast<uint32_t>(recipe.tempo), 2);
  std::string orders(256, '\0');
  for (size_t i = 0; i < recipe.orders.size(); ++i) orders[i] = static_cast<char>(recipe.orders[i]);
  out += orders;
  for (const std::vector<XmNote> &notes : recipe.patterns) {
    std::string cells(static_cast<size_t>(64 * recipe.channels * 5), '\0');
    for (const XmNote &note : notes) {
      char *cell = &cells[static_cast<size_t>((note.row * recipe.channels + note.channel) * 5)];
      cell[0] = static_cast<char>(note.note);
      cell[1] = static_cast<char>(note.instrument);
      cell[3] = static_cast<char>(note.effect);
      cell[4] = static_cast<char>(note.parameter);
    }
    Put(&out, 9, 4);
    out.push_back(0);  // packing
    Put(&out, 64, 2);
    Put(&out, static_cast<uint32_t>(cells.size()), 2);
    out += cells;
  }
  for (const XmSample &sample : recipe.instruments) {
    Put(&out, 263, 4);
    out += std::string(22, '\0');
    out.push_back(0);
    Put(&out, 1, 2);   // one sample
    Put(&out, 40, 4);  // sample header size
    out += std::string(96 + 48 + 48, '\0');  // note map, envelopes
    out += std::string(14, '\0');             // envelope points and flags, vibrato
    Put(&out, 0, 2);                          // fadeout
    out += std::string(22, '\0');             // reserved
    const uint32_t width = sample.sixteenBit ? 2 : 1;
    Put(&out, static_cast<uint32_t>(sample.data.size()) * width, 4);
    Put(&out, sample.loopStart * width, 4);
    Put(&out, sample.loopLength * width, 4);
    out.push_back(static_cast<char>(sample.volume));
    out.push_back(0);  // finetune
    out.push_back(static_cast<char>((sample.loopLength > 0 ? 1 : 0) | (sample.sixteenBit ? 0x10 : 0)));
    out.push_back(static_cast<char>(128));  // panning
    out.push_back(0);                       // relative note
    out.push_back(0);
    out += std::string(22, '\0');
    int16_t previous = 0;
    for (int16_t value : sample.data) {
      const int16_t stored = sample.sixteenBit ? value : static_cast<int16_t>(value >> 8);
      const int16_t delta = static_cast<int16_t>(stored - previous);
      previous = stored;
      Put(&out, static_cast<uint16_t>(delta), static_cast<int>(width));
    }
  }
  return out;
}
