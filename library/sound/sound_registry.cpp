// LOAD_SOUND, FREE_SOUND and the free-all: sound records made from RIFF WAVE
// files, their copies (duplicates sharing the data, or further loads), and
// the linked list that holds them by id.
#include "sound/sound_registry.h"

#include "core/report.h"
#include "korvane.h"
#include "sound/sound_memory.h"
#include "sound/wave_file.h"

SoundNode *glpSoundList = nullptr;

namespace {

// More copies than any mixer plays at once: a count above it is refused as
// an array that cannot be had, before gigabytes are asked for and zeroed
// (and billions of duplicates made) on a host's say-so.
constexpr int kMostCopies = 65536;

// Releases copies [0, count) from the last to the first.
void ReleaseCopies(LPDIRECTSOUNDBUFFER *copies, int count) {
  for (int i = count - 1; i >= 0; --i) {
    if (copies[i] != nullptr) copies[i]->Release();
    copies[i] = nullptr;
  }
}

void FreeRecord(SoundRecord *record) {
  SoundFree(record->SoundBuffer);
  SoundFree(record->lpFileLocation);
  SoundFree(record);
}

// Copies 1 … count-1: duplicates of copy 0, or fresh loads when DirectSound
// cannot duplicate. False (with every copy released) when one cannot be made.
bool MakeFurtherCopies(SoundRecord *record, const char *path, int placement) {
  for (int i = 1; i < record->nCopies; ++i) {
    if (SUCCEEDED(glpDS->DuplicateSoundBuffer(record->SoundBuffer[0], &record->SoundBuffer[i])) &&
        record->SoundBuffer[i] != nullptr) {
      continue;
    }
    record->SoundBuffer[i] = nullptr;
    ReportLine(" !!! IDirectSound_DuplicateSoundBuffer failed!!!");
    record->SoundBuffer[i] = ReadWaveIntoBuffer(path, placement);
    if (record->SoundBuffer[i] == nullptr) {
      ReleaseCopies(record->SoundBuffer, i);
      return false;
    }
  }
  return true;
}

}  // namespace

SoundRecord *Sound_Find(int id) {
  for (SoundNode *node = glpSoundList; node != nullptr; node = node->lpNext) {
    if (node->lpSound->nId == id) return node->lpSound;
  }
  return nullptr;
}

extern "C" int LOAD_SOUND(const char *path, int id, int copies, int placement) {
  if (Sound_Find(id) != nullptr) {
    ReportLine(" !!! Sound id '%d' has already been assigned to a sound !!!", id);
    return 1;
  }
  // A sound has at least one copy, whatever the host asks.
  if (copies < 1) copies = 1;
  auto *record = static_cast<SoundRecord *>(SoundAlloc(sizeof(SoundRecord)));
  if (record == nullptr) {
    ReportLine(" No memory left for loading Sound");
    return 1;
  }
  record->nCopies = copies;
  record->SoundBuffer =
      copies <= kMostCopies
          ? static_cast<LPDIRECTSOUNDBUFFER *>(SoundAlloc(sizeof(LPDIRECTSOUNDBUFFER) * static_cast<size_t>(copies)))
          : nullptr;
  if (record->SoundBuffer == nullptr) {
    FreeRecord(record);
    ReportLine(" No memory left for loading SoundBuffer");
    return 1;
  }
  record->SoundBuffer[0] = ReadWaveIntoBuffer(path, placement);
  if (record->SoundBuffer[0] == nullptr) {
    FreeRecord(record);
    ReportLine(" !!! Loading SoundBuffer[0] failed !!!");
    return 1;
  }
  if (!MakeFurtherCopies(record, path, placement)) {
    FreeRecord(record);
    ReportLine(" ?Freeing Inner SoundBuffer Array Failure?");
    return 1;
  }
  auto *node = static_cast<SoundNode *>(SoundAlloc(sizeof(SoundNode)));
  record->lpFileLocation = node != nullptr ? SoundCopyText(path) : nullptr;
  if (node == nullptr || record->lpFileLocation == nullptr) {
    SoundFree(node);
    ReleaseCopies(record->SoundBuffer, copies);
    FreeRecord(record);
    ReportLine(" Out of Memory to store sound into linked list.");
    return 1;
  }
  record->nNextCopy = 0;
  record->nId = id;
  record->SoundBuffer[0]->GetFrequency(&record->dwBaseFrequency);
  record->nLoop = 0;
  node->lpSound = record;
  node->lpNext = glpSoundList;
  glpSoundList = node;
  ReportDetail(" --- Sound Loaded ---");
  return 0;
}

extern "C" void FREE_SOUND(int id) {
  ReportDetail("   --- Attempting to free sound id %d ---", id);
  SoundNode **link = &glpSoundList;
  while (*link != nullptr && (*link)->lpSound->nId != id) link = &(*link)->lpNext;
  SoundNode *node = *link;
  if (node == nullptr) return;
  *link = node->lpNext;
  SoundRecord *record = node->lpSound;
  SoundFree(node);
  SoundFree(record->lpFileLocation);
  record->lpFileLocation = nullptr;
  ReportDetail("   id %d : lpFileLocation freed ", id);
  if (glpDS != nullptr) ReleaseCopies(record->SoundBuffer, record->nCopies);
  FreeRecord(record);
  ReportDetail("   --- Sound Sample freed ---");
}

void Sound_FreeAll() {
  ReportDetail(" +++ Sound_FreeAll begin +++");
  while (glpSoundList != nullptr) FREE_SOUND(glpSoundList->lpSound->nId);
  ReportDetail(" +++ Sound_FreeAll end +++");
}
