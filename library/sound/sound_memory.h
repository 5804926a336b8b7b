// Memory of the sound registries: zeroed fixed blocks from the system's
// global memory, and the library's own copies of file names.
#pragma once

#include <cstddef>

// A zeroed block, or null when memory is short.
void *SoundAlloc(size_t bytes);
// Frees a block of SoundAlloc; null is ignored.
void SoundFree(void *block);
// The library's own copy of `text`, or null when memory is short.
char *SoundCopyText(const char *text);
