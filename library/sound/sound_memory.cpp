// Registry memory through GlobalAlloc, so that a host's machine decides (and
// a test can refuse) every allocation.
#include "sound/sound_memory.h"

#include <cstring>

#include "sound/sound_device.h"

void *SoundAlloc(size_t bytes) { return GlobalAlloc(GPTR, bytes); }

void SoundFree(void *block) {
  if (block != nullptr) GlobalFree(block);
}

char *SoundCopyText(const char *text) {
  const size_t length = std::strlen(text);
  auto *copy = static_cast<char *>(SoundAlloc(length + 1));
  if (copy != nullptr) std::memcpy(copy, text, length + 1);
  return copy;
}
