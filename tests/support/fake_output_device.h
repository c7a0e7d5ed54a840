// A wave output for tests: no sound card, no thread. The test moves the play position and
// calls Tick where the mixing thread would.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "audio/wave_output_device.h"

class TFakeOutputDevice : public TWaveOutputDevice {
 public:
  bool Open(const uint8_t* buffer, int32_t bytes) override;
  bool Play() override;
  int64_t Position() override { return position.load(); }
  void Publish(int64_t bytes) override { published.store(bytes); }
  void Reset() override;
  void Close() override { closed = true; }
  bool StartTicks(std::function<void()> tick) override;
  void StopTicks() override { tick_ = nullptr; }

  // One tick of the mixing thread, if the device is ticking.
  void Tick();
  // Moves the play position on by frames stereo frames (4 bytes each) and ticks once.
  void Advance(int32_t frames);
  // Advances by one fragment (512 frames) and returns the interleaved samples that the tick
  // mixed: everything published since the previous call.
  std::vector<int16_t> NextFragment();
  // The 16-bit samples of the looping buffer.
  const int16_t* Samples() const { return reinterpret_cast<const int16_t*>(buffer_); }
  int32_t SampleCount() const { return bytes_ / 2; }

  // Set before opening to make Open or Play fail.
  bool open_fails = false;
  bool play_fails = false;

  std::atomic<int64_t> position{0};
  std::atomic<int64_t> published{0};
  int plays = 0;
  int resets = 0;
  bool opened = false;
  bool closed = false;

 private:
  const uint8_t* buffer_ = nullptr;
  int32_t bytes_ = 0;
  std::function<void()> tick_;
};
