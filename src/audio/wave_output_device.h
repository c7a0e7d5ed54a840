// The platform's wave output as the mixer needs it: 44100 Hz 16-bit stereo played from one
// looping buffer, the count of bytes played since the last reset, reset and restart, and a
// periodic tick on a thread of its own. An adapter provides it; tests use a fake.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

class TWaveOutputDevice {
 public:
  virtual ~TWaveOutputDevice() = default;

  // Opens the device over the buffer, which it is to play in a loop once Play is called. False
  // when no device opens. The buffer stays valid until Close.
  virtual bool Open(const uint8_t* buffer, int32_t bytes) = 0;
  // Hands the buffer to the device: playback starts (again, after a reset) at its first byte.
  // False when the device refuses.
  virtual bool Play() = 0;
  // Bytes played since the last reset, or -1 when the device cannot tell.
  virtual int64_t Position() = 0;
  // Tells the device that the bytes up to this count (counted like Position) hold sound. It is
  // called after they are written, and the device reads no byte beyond it: past it, it plays
  // silence. This is what orders the writer's stores before the device's reads.
  virtual void Publish(int64_t bytes) = 0;
  // Stops playback and puts the position back to 0.
  virtual void Reset() = 0;
  virtual void Close() = 0;

  // Calls tick every 5 ms until StopTicks, which returns once no call is running any more.
  // False when the ticks cannot be started.
  virtual bool StartTicks(std::function<void()> tick) = 0;
  virtual void StopTicks() = 0;
};

using TWaveOutputDeviceRef = std::shared_ptr<TWaveOutputDevice>;
