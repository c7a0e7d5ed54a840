// The mixer's output device over a platform wave output.
#include "audio/audio_device.h"

#include <cstdio>
#include <cstring>

namespace {

void ReportPlayFailure() {
  std::fputs("waveOutWrite error\n", stdout);
  std::fflush(stdout);
}

}  // namespace

waveoutdevice::waveoutdevice(TWaveOutputDeviceRef output, mixer::TClock clock)
    : wave(std::move(output)), clock_(clock) {}

waveoutdevice::~waveoutdevice() {
  close();
}

int32_t waveoutdevice::open() {
  mixer = std::make_unique<::mixer>(fragment, clock_);
  buffer.reset(new int16_t[BufferSamples]());
  if (!wave ||
      !wave->Open(reinterpret_cast<const uint8_t*>(buffer.get()), BufferSamples * samplebytes)) {
    return 1;
  }
  opened_ = true;
  mixer->rate = 44100;
  mixer->channels = 2;
  restartcountdown = 0;
  written = 0;
  latency = StartLatency;
  running.store(1);
  Update();
  if (!wave->Play()) ReportPlayFailure();
  if (!wave->StartTicks([this] { Update(); })) {
    close();
    return 1;
  }
  return 0;
}

void waveoutdevice::close() {
  running.store(0);
  if (!opened_) return;
  opened_ = false;
  // Once the ticks have stopped nothing mixes any more, and the voices can be taken back.
  wave->StopTicks();
  wave->Reset();
  wave->Close();
}

void waveoutdevice::Update() {
  if (!running.load(std::memory_order_relaxed)) return;
  if (restartcountdown > 0) {
    if (--restartcountdown > 0) return;
    if (!wave->Play()) ReportPlayFailure();
  }
  const int64_t bytes = wave->Position();
  if (bytes < 0) return;
  const int64_t played = bytes / samplebytes;

  if (played != 0 && played + 2 * fragment > written) {
    // Underrun. The device is stopped first so that it is not reading while the buffer is
    // cleared.
    wave->Reset();
    std::memset(buffer.get(), 0, size_t(BufferSamples) * sizeof(int16_t));
    restartcountdown = RestartTicks;
    if (latency <= MaxLatency - 1) latency += 2;
    written = int64_t(latency) * fragment * 2;
    wave->Publish(written * samplebytes);
    return;
  }

  while (written < played + int64_t(latency) * fragment) {
    const int64_t index = (written / fragment) % Fragments;
    MixFragment(mixer.get(), buffer.get() + index * fragment, fragment);
    written += fragment;
    wave->Publish(written * samplebytes);
  }
}
