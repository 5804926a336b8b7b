// The busy flag's waiting side.
#include "music/player_gate.h"

#include <windows.h>

namespace music {

PlayerGate gPlayerBusy;

void PlayerGate::Enter() {
  while (!TryEnter()) Sleep(0);
}

}  // namespace music
