// The sound registry: sound records under the host's ids, each with one or
// more playable copies of its data.
#pragma once

#include "sound/sound_device.h"

struct SoundRecord {
  int nCopies;                        // playable copies (at least 1)
  int nNextCopy;                      // the copy the next PLAY_SOUND starts
  int nId;                            // the host's id
  DWORD dwBaseFrequency;              // copy 0's frequency after loading
  int nLoop;                          // loop argument of the last PLAY_SOUND
  char *lpFileLocation;               // the library's copy of the path
  LPDIRECTSOUNDBUFFER *SoundBuffer;   // the copies
};

struct SoundNode {
  SoundRecord *lpSound;
  SoundNode *lpNext;
};

extern SoundNode *glpSoundList;

// The first record with the id, from the head; null when none.
SoundRecord *Sound_Find(int id);

// Frees every sound, most recently loaded first.
void Sound_FreeAll();
