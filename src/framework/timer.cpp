#include "framework/timer.h"

#include "system/system_driver.h"

int32_t ClockDiff(int32_t later, int32_t earlier) {
  return static_cast<int32_t>(static_cast<uint32_t>(later) - static_cast<uint32_t>(earlier));
}

TTimer::TTimer() : startTime(Milliseconds()) {}

void TTimer::Pause() {
  pausedAt = Milliseconds();
}

void TTimer::Resume() {
  pausedAt = ClockDiff(Milliseconds(), pausedAt);
  startTime =
      static_cast<int32_t>(static_cast<uint32_t>(startTime) + static_cast<uint32_t>(pausedAt));
}

std::shared_ptr<TIntervalTimer> TIntervalTimer::Create(int32_t ms) {
  SetInterval(ms);
  return std::static_pointer_cast<TIntervalTimer>(shared_from_this());
}

int32_t TIntervalTimer::IsDue() {
  if (ClockDiff(Milliseconds(), startTime) < interval) return 0;
  startTime = Milliseconds();
  return 1;
}

int32_t TIntervalTimer::ElapsedSeconds() {
  return ClockDiff(Milliseconds(), startTime) / 1000;
}

std::shared_ptr<TDeltaTimer> TDeltaTimer::Create(int32_t rate) {
  this->rate = rate;
  return std::static_pointer_cast<TDeltaTimer>(shared_from_this());
}

void TDeltaTimer::Update() {
  int32_t elapsed = ClockDiff(Milliseconds(), startTime);
  delta = static_cast<float>(elapsed) / 1000.0f * static_cast<float>(rate);
  startTime = Milliseconds();
}
