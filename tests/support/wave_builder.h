// Builds RIFF WAVE files for the sound tests: PCM data of any layout, and the
// malformed variants (odd chunks, wrong tags, short or lying chunk sizes)
// that the readers must survive.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct WaveRecipe {
  uint16_t formatTag = 1;
  uint16_t channels = 1;
  uint32_t rate = 44100;
  uint16_t bits = 16;
  std::string data;               // the data chunk's bytes
  uint32_t formatChunkSize = 16;  // 18 adds a cbSize of 0
  bool listBeforeFormat = false;  // an odd-sized LIST chunk first
  bool omitData = false;
  int64_t dataSizeOverride = -1;  // a size field that lies about the data
  int64_t byteRateOverride = -1;  // a byte rate or block alignment that
  int blockAlignOverride = -1;    // does not follow from the layout
  int cbSize = -1;                // with formatChunkSize 18 or more
};

inline void AppendU32(std::string *out, uint32_t value) { out->append(reinterpret_cast<const char *>(&value), 4); }
inline void AppendU16(std::string *out, uint16_t value) { out->append(reinterpret_cast<const char *>(&value), 2); }

inline std::string BuildWave(const WaveRecipe &recipe) {
  std::string body = "WAVE";
  if (recipe.listBeforeFormat) {
    body += "LIST";
    AppendU32(&body, 5);
    body += std::string("INFOx", 5) + '\0';  // odd size, then a pad byte
  }
  body += "fmt ";
  AppendU32(&body, recipe.formatChunkSize);
  const uint16_t blockAlign = static_cast<uint16_t>(recipe.channels * recipe.bits / 8);
  std::string format;
  AppendU16(&format, recipe.formatTag);
  AppendU16(&format, recipe.channels);
  AppendU32(&format, recipe.rate);
  AppendU32(&format, recipe.byteRateOverride >= 0 ? static_cast<uint32_t>(recipe.byteRateOverride)
                                                 : recipe.rate * blockAlign);
  AppendU16(&format, recipe.blockAlignOverride >= 0 ? static_cast<uint16_t>(recipe.blockAlignOverride) : blockAlign);
  AppendU16(&format, recipe.bits);
  if (recipe.cbSize >= 0) AppendU16(&format, static_cast<uint16_t>(recipe.cbSize));
  format.resize(recipe.formatChunkSize, '\0');
  body += format;
  if (!recipe.omitData) {
    body += "data";
    AppendU32(&body, recipe.dataSizeOverride >= 0 ? static_cast<uint32_t>(recipe.dataSizeOverride)
                                                 : static_cast<uint32_t>(recipe.data.size()));
    body += recipe.data;
    if (recipe.data.size() % 2 != 0) body += '\0';
  }
  std::string file = "RIFF";
  AppendU32(&file, static_cast<uint32_t>(body.size()));
  return file + body;
}

// 16-bit samples as little-endian data bytes.
inline std::string Samples16(const std::vector<int16_t> &samples) {
  return std::string(reinterpret_cast<const char *>(samples.data()), samples.size() * 2);
}

// A repeatable non-trivial 16-bit signal: a saw with a step every sample.
inline std::vector<int16_t> Ramp16(size_t count, int step = 37) {
  std::vector<int16_t> samples(count);
  for (size_t i = 0; i < count; ++i) samples[i] = static_cast<int16_t>((static_cast<int>(i) * step) % 20000 - 10000);
  return samples;
}
