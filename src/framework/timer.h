// Timers on the millisecond clock: a pausable base, an interval timer and a frame-delta timer.
#pragma once

#include <cstdint>
#include <memory>

#include "runtime/object.h"

// NOTE: every difference of clock readings goes through ClockDiff, so the timers stay right
// when the 32-bit clock wraps.
int32_t ClockDiff(int32_t later, int32_t earlier);

class TTimer : public TObject {
 public:
  TTimer();
  void Pause();
  void Resume();

  // Clock reading when Pause was called; after Resume, the length of that pause.
  int32_t pausedAt = 0;
  // Clock reading the timer measures from.
  int32_t startTime = 0;
};

class TIntervalTimer : public TTimer {
 public:
  std::shared_ptr<TIntervalTimer> Create(int32_t ms);
  void SetInterval(int32_t ms) { interval = ms; }
  int32_t GetInterval() const { return interval; }
  // 1 once at least the interval has passed since the start or the last due check, which
  // restarts the interval from now; else 0.
  int32_t IsDue();
  void SetIntervalSeconds(int32_t s) { SetInterval(s * 1000); }
  void SetIntervalMinutes(int32_t m) { SetIntervalSeconds(m * 60); }
  int32_t ElapsedSeconds();

  int32_t interval = 0;
};

class TDeltaTimer : public TTimer {
 public:
  std::shared_ptr<TDeltaTimer> Create(int32_t rate);
  // Measures the time since the last update in frames at the nominal rate, and restarts.
  void Update();
  float GetDelta() const { return delta; }

  float delta = 0;
  int32_t rate = 0;
};
