// The SDL wave output: the mixer's looping buffer played by SDL's audio callback, and the
// 5 ms mixing thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

#include "audio/wave_output_device.h"

// Plays 44100 Hz 16-bit stereo from the looping buffer at its play position. The callback
// copies what has been published, plays silence for anything beyond it (an underrun, which the
// mixer notices from the position), and counts every byte it hands to SDL.
class TSdlWaveOutput : public TWaveOutputDevice {
 public:
  ~TSdlWaveOutput() override;

  bool Open(const uint8_t* buffer, int32_t bytes) override;
  bool Play() override;
  int64_t Position() override;
  void Publish(int64_t bytes) override;
  void Reset() override;
  void Close() override;
  bool StartTicks(std::function<void()> tick) override;
  void StopTicks() override;

  // Called by SDL's audio thread.
  void Fill(uint8_t* stream, int32_t length);

 private:
  uint32_t device_ = 0;
  const uint8_t* buffer_ = nullptr;
  int32_t bytes_ = 0;
  std::atomic<bool> playing_{false};
  std::atomic<int64_t> played_{0};
  std::atomic<int64_t> published_{0};

  std::thread ticker_;
  std::atomic<bool> ticking_{false};
};
