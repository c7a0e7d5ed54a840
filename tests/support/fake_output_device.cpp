#include "support/fake_output_device.h"

bool TFakeOutputDevice::Open(const uint8_t* buffer, int32_t bytes) {
  if (open_fails) return false;
  buffer_ = buffer;
  bytes_ = bytes;
  opened = true;
  return true;
}

bool TFakeOutputDevice::Play() {
  ++plays;
  return !play_fails;
}

void TFakeOutputDevice::Reset() {
  ++resets;
  position.store(0);
  published.store(0);
}

bool TFakeOutputDevice::StartTicks(std::function<void()> tick) {
  tick_ = std::move(tick);
  return true;
}

void TFakeOutputDevice::Tick() {
  if (tick_) tick_();
}

void TFakeOutputDevice::Advance(int32_t frames) {
  position.fetch_add(int64_t(frames) * 4);
  Tick();
}

std::vector<int16_t> TFakeOutputDevice::NextFragment() {
  const int64_t from = published.load() / 2;
  Advance(512);
  const int64_t to = published.load() / 2;
  std::vector<int16_t> samples;
  for (int64_t i = from; i < to; ++i) samples.push_back(Samples()[i % SampleCount()]);
  return samples;
}
