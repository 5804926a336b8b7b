// The demo's module music: a four-channel ProTracker tune (a lead, a bass
// line and a hi-hat over two patterns) written as a file at start, so the
// demo needs no module shipped beside it, then loaded and played looping by
// the library's module player while the game runs.
#include "demo_music.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "korvane.h"

namespace {

constexpr int kTuneId = 1;
constexpr const char *kTuneFile = "demo_tune.mod";
constexpr double kTwoPi = 6.283185307179586;

struct Instrument {
  std::vector<int8_t> data;
  int loopStart, loopLength;  // bytes; a loop length of 0 plays once
};

Instrument Lead() {
  std::vector<int8_t> data(1024);
  for (size_t i = 0; i < data.size(); ++i) {
    data[i] = static_cast<int8_t>(70 * std::sin(i * kTwoPi / 32) + 25 * std::sin(i * 3 * kTwoPi / 32));
  }
  return {data, 512, 512};
}

Instrument Bass() {
  std::vector<int8_t> data(2048);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<int8_t>((i % 64) * 3 - 96);
  return {data, 0, 2048};
}

Instrument HiHat() {
  std::vector<int8_t> data(1600);
  uint32_t noise = 12345;
  for (size_t i = 0; i < data.size(); ++i) {
    noise = noise * 1664525u + 1013904223u;
    const double fade = 1.0 - static_cast<double>(i) / data.size();
    data[i] = static_cast<int8_t>(static_cast<int8_t>(noise >> 24) * fade * fade);
  }
  return {data, 0, 0};
}

void PutWord(std::string *out, int value) {
  out->push_back(static_cast<char>((value >> 8) & 0xFF));
  out->push_back(static_cast<char>(value & 0xFF));
}

// One pattern cell: an Amiga period, an instrument number, an effect.
void PutCell(std::string *pattern, int row, int channel, int period, int instrument, int effect = 0,
             int parameter = 0) {
  char *cell = &(*pattern)[static_cast<size_t>(row * 16 + channel * 4)];
  cell[0] = static_cast<char>((instrument & 0xF0) | (period >> 8));
  cell[1] = static_cast<char>(period & 0xFF);
  cell[2] = static_cast<char>(((instrument & 0x0F) << 4) | effect);
  cell[3] = static_cast<char>(parameter);
}

std::string Tune() {
  const Instrument instruments[] = {Lead(), Bass(), HiHat()};
  std::string out = "korvane demo tune";
  out.resize(20, '\0');
  for (int slot = 0; slot < 31; ++slot) {
    std::string name(22, '\0');
    if (slot < 3) {
      const Instrument &each = instruments[slot];
      name.replace(0, 4, "inst");
      out += name;
      PutWord(&out, static_cast<int>(each.data.size() / 2));
      out.push_back(0);
      out.push_back(slot == 2 ? 40 : 56);
      PutWord(&out, each.loopStart / 2);
      PutWord(&out, each.loopLength > 0 ? each.loopLength / 2 : 1);
    } else {
      out += name;
      out += std::string("\0\0\0\0\0\0\0\x01", 8);
    }
  }
  out.push_back(4);     // positions
  out.push_back(0x7F);  // restart
  std::string orders(128, '\0');
  orders[0] = 0, orders[1] = 1, orders[2] = 0, orders[3] = 1;
  out += orders + "M.K.";
  // C major and A minor arpeggios over a walking bass, hi-hat on the beats.
  const int melody[2][8] = {{428, 339, 285, 214, 285, 339, 428, 339}, {508, 428, 339, 254, 339, 428, 508, 428}};
  const int bass[2][4] = {{856, 856, 640, 762}, {1016, 1016, 856, 762}};
  for (int pattern = 0; pattern < 2; ++pattern) {
    std::string cells(64 * 16, '\0');
    for (int row = 0; row < 64; row += 2) PutCell(&cells, row, 0, melody[pattern][(row / 2) % 8], 1);
    for (int row = 0; row < 64; row += 16) PutCell(&cells, row, 1, bass[pattern][row / 16], 2);
    for (int row = 0; row < 64; row += 4) PutCell(&cells, row, 2, 214, 3, 0xC, row % 8 == 0 ? 48 : 24);
    if (pattern == 0) PutCell(&cells, 0, 3, 0, 0, 0xF, 5);  // speed 5
    out += cells;
  }
  for (const Instrument &each : instruments) out.append(reinterpret_cast<const char *>(each.data.data()), each.data.size());
  return out;
}

bool WriteTune() {
  const std::string tune = Tune();
  FILE *file = std::fopen(kTuneFile, "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(tune.data(), 1, tune.size(), file) == tune.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace

bool StartDemoMusic() {
  if (MODPLAYER_INIT() != 1 || !WriteTune() || LOAD_MOD(kTuneFile, kTuneId) != 0) {
    printf("demo: module music is not available\n");
    return false;
  }
  SET_MOD_VOL(80);
  PLAY_MOD(kTuneId, 1);
  return true;
}

void StopDemoMusic() {
  char line[96];
  snprintf(line, sizeof line, "demo: module music at position %d, row %d, tempo %d", GET_MOD_SNGPOS(), GET_MOD_PATPOS(),
           GET_MOD_BPM());
  FILE_REPORT(line);
  printf("%s\n", line);
  STOP_MOD();
  MODPLAYER_EXIT();
}
