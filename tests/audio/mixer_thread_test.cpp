// The game thread starting, stopping and adjusting thousands of sounds while a mixing thread
// runs: on the test's device driven from a thread of the test, and on SDL's dummy driver with
// the real 5 ms mixing thread. Run under ThreadSanitizer to check the hand-over.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "audio/mixer_service.h"
#include "audio/sdl_wave_output.h"
#include "support/fake_output_device.h"

namespace {

std::atomic<int32_t> shared_now{0};
int32_t SharedClock() {
  return shared_now.load();
}

struct TRandom {
  uint32_t state = 12345;
  uint32_t Next() {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  }
};

std::vector<pcmdata*> MakeSounds() {
  std::vector<int16_t> mono(300);
  std::vector<int16_t> stereo(2 * 1000);
  std::vector<uint8_t> bytes(500);
  std::vector<int16_t> music(2 * 2000);
  for (size_t i = 0; i < mono.size(); ++i) mono[i] = int16_t((i * 97) % 20000 - 10000);
  for (size_t i = 0; i < stereo.size(); ++i) stereo[i] = int16_t((i * 31) % 16000 - 8000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 7);
  for (size_t i = 0; i < music.size(); ++i) music[i] = int16_t((i * 13) % 12000 - 6000);
  return {
      CreatePcm(300, 16, 1, 22050, mono.data(), 0),  // one-shots: temporary plays
      CreatePcm(1000, 16, 2, 44100, stereo.data(), 0),
      CreatePcm(500, 8, 1, 11025, bytes.data(), 1),  // loops: channels only
      CreatePcm(2000, 16, 2, 48000, music.data(), 1),
  };
}

bool AllBackToOne(const std::vector<pcmdata*>& sounds) {
  for (pcmdata* pcm : sounds) {
    if (pcm->refs.load() != 1) return false;
  }
  return true;
}

// The game thread's side of the test: every service operation, many thousands of times.
// stop_mixing ends the mixing thread before the mixer closes.
void Stress(int32_t operations, int32_t pause_every, std::chrono::microseconds pause,
            const std::function<void()>& stop_mixing) {
  std::vector<pcmdata*> sounds = MakeSounds();
  for (pcmdata* pcm : sounds) ASSERT_NE(pcm, nullptr);
  std::vector<int32_t> channels;
  for (int i = 0; i < 24; ++i) channels.push_back(NewHandle());
  TRandom random;
  int32_t played = 0;
  for (int32_t op = 0; op < operations; ++op) {
    const uint32_t r = random.Next();
    int32_t& channel = channels[r % channels.size()];
    switch ((r >> 5) % 10) {
      case 0:
      case 1:
      case 2:
        played += PlayPcm(sounds[(r >> 9) % 2], 0, 0) != 0;
        break;
      case 3:
      case 4:
        // A loop or a paused sound needs a channel to stop it; none is free while the
        // temporary sounds hold every handle.
        if (channel == 0) break;
        PlayPcm(sounds[(r >> 9) % 4], (r >> 12) % 4 == 0, channel);
        ++played;
        break;
      case 5:
        StopHandle(channel);
        break;
      case 6:
        PauseHandle(channel, (r >> 9) & 1);
        break;
      case 7:
        SetHandleVolume(channel, int16_t((r >> 9) % 8192));
        SetHandlePan(channel, int16_t(int32_t((r >> 9) % 8193) - 4096));
        SetHandleDepth(channel, int16_t(int32_t((r >> 11) % 3) - 1));
        SetHandleRate(channel, int32_t(0x4000 + (r >> 9) % 0x30000));
        break;
      case 8:
        ReleaseHandle(channel);
        channel = NewHandle();
        break;
      default:
        HandleStatus(channel);
        break;
    }
    if (op % pause_every == 0) {
      shared_now += 1;
      std::this_thread::sleep_for(pause);
    }
  }
  // At least the plays that fit in the start ring and the handle table before any pass.
  EXPECT_GT(played, 4000);

  for (int32_t channel : channels) {
    StopHandle(channel);
    ReleaseHandle(channel);
  }
  // Every voice stops (the temporary ones are one-shots) and the mixer gives back its
  // references.
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!AllBackToOne(sounds) && std::chrono::steady_clock::now() < give_up) {
    shared_now += 5;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  for (pcmdata* pcm : sounds) EXPECT_EQ(pcm->refs.load(), 1);
  stop_mixing();
  CloseMixer();
  for (pcmdata* pcm : sounds) {
    EXPECT_EQ(pcm->refs.load(), 1) << "closing does not drop a reference twice";
    ReleasePcm(pcm);
  }
}

class MixerThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    shared_now = 1000;
    SetMixerClock(&SharedClock);
  }
  void TearDown() override {
    CloseMixer();
    SetMixerClock(nullptr);
  }
};

TEST_F(MixerThreadTest, AMixingThreadDrivingTheTestDevice) {
  auto device = std::make_shared<TFakeOutputDevice>();
  ASSERT_EQ(OpenMixer(device), 0);
  std::atomic<bool> stop{false};
  std::atomic<int64_t> passes{0};
  // Plays the part of the mixing thread as fast as it can: one fragment per tick.
  std::thread mixing([&] {
    while (!stop.load()) {
      device->Advance(512);
      passes += 1;
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
  });
  Stress(30000, 40, std::chrono::microseconds(50), [&] {
    stop = true;
    mixing.join();
  });
  EXPECT_GT(passes.load(), 10);
  EXPECT_EQ(device->resets, 1) << "only the reset of closing: no underrun";
}

TEST_F(MixerThreadTest, TheRealMixingThreadOnSdlsDummyDriver) {
  const char* previous = std::getenv("SDL_AUDIODRIVER");
  const std::string saved = previous ? previous : "";
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  const int32_t opened = OpenMixer(std::make_shared<TSdlWaveOutput>());
  if (previous) {
    setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
  } else {
    unsetenv("SDL_AUDIODRIVER");
  }
  if (opened != 0) GTEST_SKIP() << "SDL's dummy audio driver does not open here";
  // Closing stops the real mixing thread itself.
  Stress(20000, 20, std::chrono::microseconds(1000), [] {});
}

}  // namespace
