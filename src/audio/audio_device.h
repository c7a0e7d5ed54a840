// The mixer's output device: the abstract device and its implementation over a platform wave
// output, which keeps the mixer a few fragments ahead of the play position in a looping
// buffer of 32 fragments and recovers from underruns.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "audio/mixer.h"
#include "audio/wave_output_device.h"

class audiodevice {
 public:
  virtual ~audiodevice() = default;
  // 0 on success.
  virtual int32_t open() = 0;
  virtual void close() = 0;
};

class waveoutdevice : public audiodevice {
 public:
  static constexpr int32_t Fragments = 32;
  static constexpr int32_t FragmentSamples = 1024;
  static constexpr int32_t BufferSamples = Fragments * FragmentSamples;
  static constexpr int32_t StartLatency = 6;
  static constexpr int32_t MaxLatency = 10;
  static constexpr int32_t RestartTicks = 250;

  waveoutdevice(TWaveOutputDeviceRef output, mixer::TClock clock);
  ~waveoutdevice() override;

  // Makes the mixer, opens the wave output (1 when it does not open), mixes the first
  // fragments, starts playback and the 5 ms tick that calls Update.
  int32_t open() override;
  // Stops the tick and playback and closes the wave output. The voices stay with their owner.
  void close() override;

  // One tick: keeps latency fragments mixed ahead of the play position; after an underrun,
  // silence for 250 ticks, then a restart with more latency.
  void Update();

  std::unique_ptr<::mixer> mixer;
  TWaveOutputDeviceRef wave;
  int32_t fragment = FragmentSamples;
  int32_t samplebytes = 2;
  std::unique_ptr<int16_t[]> buffer;
  int32_t sixteenbit = 1;
  std::atomic<int32_t> running{0};
  // Samples handed to the buffer since the last reset. 64 bits: 32 would wrap after 6.7 hours.
  int64_t written = 0;
  int32_t restartcountdown = 0;
  int32_t latency = StartLatency;

 private:
  mixer::TClock clock_;
  bool opened_ = false;
};
