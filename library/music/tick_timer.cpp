// The tick timer: a periodic multimedia timer at the whole-millisecond part
// of the exact period, an accumulator that turns its firings into timer steps
// at the exact period on average, and the three steps of a player tick.
#include "music/tick_timer.h"

#include <cstring>

#include "music/player_gate.h"
#include "music/voice_driver.h"

namespace music {

TickTimerState gTickTimer;
std::atomic<uint8_t> gDriverTempo{125};
void (*gPlayerTick)() = nullptr;

namespace {

constexpr uint8_t kStartTempo = 125;

void CALLBACK TimerCallback(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) { TimerFired(); }

// A tempo of 0 has no period: the timer keeps the one it has.
void SetTimerForTempo(int tempo) {
  if (tempo <= 0) return;
  gTickTimer.exactPeriod = ExactPeriodForTempo(tempo);
  gTickTimer.wholePeriod = static_cast<int>(gTickTimer.exactPeriod);
  if (gTickTimer.id != 0) timeKillEvent(gTickTimer.id);
  gTickTimer.id = timeSetEvent(static_cast<UINT>(gTickTimer.wholePeriod), gTickTimer.resolution, TimerCallback, 0,
                               TIME_PERIODIC);
}

void PlayerStep() {
  if (gPlayerTick != nullptr) gPlayerTick();
  MarkVoicesAfterTick();
}

void ApplyStep() {
  const uint8_t tempo = gDriverTempo.load(std::memory_order_relaxed);
  if (tempo != gTickTimer.appliedTempo) {
    SetTimerForTempo(tempo);
    gTickTimer.appliedTempo = tempo;
  }
  ApplyVoices();
}

void TimerStep() {
  gTickTimer.step = (gTickTimer.step + 1) % 3;
  if (gTickTimer.step == 2) return;
  // While the host changes the player or the voices, the step does nothing.
  if (!gPlayerBusy.TryEnter()) return;
  if (gTickTimer.step == 0) {
    PlayerStep();
  } else {
    ApplyStep();
  }
  gPlayerBusy.Leave();
}

}  // namespace

float ExactPeriodForTempo(int tempo) {
  return 123750.0f / static_cast<float>(tempo * 50 * 3);
}

void TimerFired() {
  gTickTimer.accumulator += static_cast<float>(gTickTimer.wholePeriod);
  if (gTickTimer.accumulator > gTickTimer.exactPeriod) {
    TimerStep();
    gTickTimer.accumulator -= gTickTimer.exactPeriod;
  }
}

void StartTickTimer() {
  TIMECAPS caps;
  std::memset(&caps, 0, sizeof caps);
  timeGetDevCaps(&caps, sizeof caps);
  UINT resolution = caps.wPeriodMin < 1 ? 1 : caps.wPeriodMin;
  if (resolution >= caps.wPeriodMax) resolution = caps.wPeriodMax;
  gTickTimer.resolution = resolution;
  gTickTimer.accumulator = 0.0f;
  gTickTimer.step = 0;
  gTickTimer.id = 0;
  timeBeginPeriod(gTickTimer.resolution);
  gTickTimer.appliedTempo = kStartTempo;
  gDriverTempo.store(kStartTempo, std::memory_order_relaxed);
  SetTimerForTempo(kStartTempo);
}

void StopTickTimer() {
  if (gTickTimer.id != 0) timeKillEvent(gTickTimer.id);
  gTickTimer.id = 0;
  timeEndPeriod(gTickTimer.resolution);
}

}  // namespace music
