// The time line of a playing effect and the motor levels it gives. All
// times are machine nanoseconds; the effect's own times are microseconds,
// INFINITE for "until stopped".
#include "dinput/effect_playback.h"

#include <algorithm>
#include <cstdlib>

namespace platform::dinput {

namespace {

constexpr uint64_t kForever = UINT64_MAX;
constexpr uint64_t kNanosecondsPerMicrosecond = 1000;

uint64_t Nanoseconds(DWORD microseconds) { return static_cast<uint64_t>(microseconds) * kNanosecondsPerMicrosecond; }

// `a` times `b`, or kForever when that does not fit.
uint64_t TimesOrForever(uint64_t a, uint64_t b) { return (b != 0 && a > kForever / b) ? kForever : a * b; }
uint64_t PlusOrForever(uint64_t a, uint64_t b) { return a > kForever - b ? kForever : a + b; }

// The part of the run that plays: from `begin` for `length` (kForever:
// without end), in iterations of `iteration` each (kForever: one endless).
struct Span {
  uint64_t begin;
  uint64_t iteration;
  uint64_t end;
};

Span SpanOf(const EffectParameters &params, const EffectRun &run) {
  Span span;
  span.begin = PlusOrForever(run.startNs, Nanoseconds(params.startDelay));
  span.iteration = params.duration == INFINITE ? kForever : Nanoseconds(params.duration);
  if (span.iteration == kForever || run.iterations == INFINITE) {
    span.end = span.iteration == 0 ? span.begin : kForever;
  } else {
    span.end = PlusOrForever(span.begin, TimesOrForever(span.iteration, run.iterations));
  }
  return span;
}

// The strength the effect sustains, before its envelope and gain.
LONG Sustain(const EffectParameters &params, const EffectKind &kind) {
  switch (kind.type) {
    case DIEFT_CONSTANTFORCE: return std::labs(params.specific.constant.lMagnitude);
    case DIEFT_RAMPFORCE: return std::max(std::labs(params.specific.ramp.lStart), std::labs(params.specific.ramp.lEnd));
    default: return static_cast<LONG>(params.specific.periodic.dwMagnitude);
  }
}

// `from` moving linearly to `to` over `length`, `done` of the way along.
LONG Blend(LONG from, LONG to, uint64_t done, uint64_t length) {
  const long double part = static_cast<long double>(done) / static_cast<long double>(length);
  return static_cast<LONG>(from + (to - from) * part);
}

// The level `within` an iteration: the attack rises from its level to the
// sustain, the fade falls from the sustain to its level at the iteration's
// end. The envelope starts again with each iteration.
LONG EnvelopedLevel(const EffectParameters &params, LONG sustain, uint64_t within, uint64_t iteration,
                    uint64_t *nextBoundary) {
  if (!params.hasEnvelope) return sustain;
  const DIENVELOPE &envelope = params.envelope;
  const uint64_t attack = Nanoseconds(envelope.dwAttackTime);
  const uint64_t fade = Nanoseconds(envelope.dwFadeTime);
  const uint64_t fadeStart = iteration == kForever || fade == 0 ? kForever : (iteration > fade ? iteration - fade : 0);
  if (fadeStart != kForever && within >= fadeStart) {
    return Blend(static_cast<LONG>(envelope.dwFadeLevel), sustain, iteration - within, iteration - fadeStart);
  }
  if (fadeStart != kForever) *nextBoundary = std::min(*nextBoundary, fadeStart);
  if (attack > 0 && within < attack) {
    *nextBoundary = std::min(*nextBoundary, attack);
    return Blend(static_cast<LONG>(envelope.dwAttackLevel), sustain, within, attack);
  }
  return sustain;
}

}  // namespace

bool RunOver(const EffectParameters &params, const EffectRun &run, uint64_t now) {
  return now >= SpanOf(params, run).end;
}

MotorLevels RunLevels(const EffectParameters &params, const EffectKind &kind, const EffectRun &run, uint64_t now,
                      uint64_t *nextPhase) {
  const Span span = SpanOf(params, run);
  if (now >= span.end) return {};
  if (now < span.begin) {
    *nextPhase = std::min(*nextPhase, span.begin);
    return {};
  }
  const uint64_t played = now - span.begin;
  const uint64_t within = span.iteration == kForever ? played : played % span.iteration;
  const uint64_t iterationStart = now - within;
  uint64_t boundary = span.iteration;  // within the iteration
  const LONG level = EnvelopedLevel(params, std::min<LONG>(Sustain(params, kind), DI_FFNOMINALMAX), within,
                                    span.iteration, &boundary);
  if (boundary != kForever) *nextPhase = std::min(*nextPhase, PlusOrForever(iterationStart, boundary));
  if (span.end != kForever) *nextPhase = std::min(*nextPhase, span.end);

  const LONG driven = static_cast<LONG>(static_cast<long long>(level) * params.gain / DI_FFNOMINALMAX);
  MotorLevels levels;
  for (int i = 0; i < params.axisCount; ++i) {
    (params.axes[i] == kEffectAxisX ? levels.low : levels.high) = driven;
  }
  return levels;
}

}  // namespace platform::dinput
