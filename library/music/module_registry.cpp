// The module registry: MODPLAYER_INIT and MODPLAYER_EXIT, LOAD_MOD and
// FREE_MOD over libmikmod's loaders, with the modules linked by the host's
// ids.
#include <windows.h>

#include <mikmod.h>

#include <cstdio>

#include "core/allocation.h"
#include "core/report.h"
#include "korvane.h"
#include "music/module_player.h"
#include "music/player_gate.h"

namespace music {

ModuleNode *gModuleList = nullptr;
bool gModPlayerReady = false;

namespace {

ModuleNode *FindModule(int id) {
  for (ModuleNode *node = gModuleList; node != nullptr; node = node->next) {
    if (node->id == id) return node;
  }
  return nullptr;
}

void FreeLoadedModule(MODULE *module) {
  HostBusy busy;
  if (module == gCurrentModule) gCurrentModule = nullptr;
  Player_Free(module);
}

}  // namespace

}  // namespace music

using namespace music;

extern "C" int MODPLAYER_INIT(void) {
  HostBusy busy;
  // Driver number 0: the first registered driver whose presence test passes.
  md_device = 0;
  gModPlayerReady = MikMod_Init("") == 0;
  return gModPlayerReady ? 1 : 0;
}

extern "C" void MODPLAYER_EXIT(void) {
  STOP_MOD();
  ReportLine("### Free All Mods begin ###");
  while (gModuleList != nullptr) FREE_MOD(gModuleList->id);
  ReportLine("### Free All Mods end ###");
  HostBusy busy;
  // libmikmod has no driver to exit before its first initialisation.
  if (md_driver != nullptr) MikMod_Exit();
  gModPlayerReady = false;
}

extern "C" int LOAD_MOD(const char *path, int id) {
  if (FindModule(id) != nullptr) {
    ReportLine(" !!! Mod id '%d' has already been assigned to a mod !!!", id);
    return 1;
  }
  FILE *file = path != nullptr ? std::fopen(path, "rb") : nullptr;
  if (file == nullptr) {
    ReportLine(" !!!Error opening mod file!!!");
    return 1;
  }
  MODULE *module = nullptr;
  // Samples are uploaded through the driver chosen by MODPLAYER_INIT; there
  // is nothing to load them into before it.
  if (gModPlayerReady) {
    HostBusy busy;
    module = Player_LoadFP(file, 32, 0);
  }
  std::fclose(file);
  if (module == nullptr) return 1;
  ModuleNode *node = korvane::New<ModuleNode>(module, id, gModuleList);
  if (node == nullptr) {
    ReportLine(" Out of Memory to store mod into linked list.");
    FreeLoadedModule(module);
    return 1;
  }
  gModuleList = node;
  return 0;
}

extern "C" void FREE_MOD(int id) {
  ReportLine("--- Attempting to free mod id %d ---", id);
  ModuleNode **link = &gModuleList;
  while (*link != nullptr && (*link)->id != id) link = &(*link)->next;
  if (ModuleNode *node = *link) {
    *link = node->next;
    // The playing module is stopped first: its samples must not be
    // released under the timer.
    if (node->module == gCurrentModule) StopPlayback();
    FreeLoadedModule(node->module);
    delete node;
    ReportLine(" mod id: %d freed", id);
  }
  ReportLine(" --- Free mod end ---");
}
