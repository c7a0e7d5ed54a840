// The SDL wave output under the mixer: sound written to a file by SDL's disk driver, its
// recovery from a stalled mixing pass, a stack overflow on its mixing thread, and a driver that
// cannot open, which leaves the silent backend current.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "audio/audio_backend.h"
#include "audio/audio_module.h"
#include "audio/mixer_backend.h"
#include "audio/mixer_service.h"
#include "audio/sdl_wave_output.h"
#include "runtime/process.h"
#include "system/system_driver.h"

namespace {

int32_t SteadyClock() {
  using namespace std::chrono;
  return int32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// Sets environment variables for the life of the object.
class TScopedEnvironment {
 public:
  void Set(const char* name, const std::string& value) {
    const char* old = std::getenv(name);
    saved_.push_back({name, old ? old : "", old != nullptr});
    setenv(name, value.c_str(), 1);
  }
  ~TScopedEnvironment() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->existed) {
        setenv(it->name, it->value.c_str(), 1);
      } else {
        unsetenv(it->name);
      }
    }
  }

 private:
  struct TSaved {
    const char* name;
    std::string value;
    bool existed;
  };
  std::vector<TSaved> saved_;
};

// Reads the raw 16-bit stereo that SDL's disk driver wrote.
std::vector<int16_t> ReadSamples(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  const std::vector<char> raw((std::istreambuf_iterator<char>(in)), {});
  std::vector<int16_t> samples(raw.size() / 2);
  std::memcpy(samples.data(), raw.data(), samples.size() * 2);
  return samples;
}

// A 1 kHz tone of amplitude 8000, frames long (a multiple of 44 loops without a seam).
TSampleBufferRef Sine(int32_t frames) {
  TSampleBufferRef sine = NewSampleBuffer(frames, 44100, FormatMono16LE);
  auto* words = reinterpret_cast<int16_t*>(sine->samples);
  for (int32_t i = 0; i < frames; ++i) {
    words[i] = int16_t(std::lround(8000 * std::sin(2 * M_PI * 1000.0 * i / 44100)));
  }
  return sine;
}

class SdlWaveOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitAudioBackend();
    SetMixerClock(&SteadyClock);
  }
  void TearDown() override {
    CloseMixerBackend();
    SetMixerClock(nullptr);
  }
};

TEST_F(SdlWaveOutputTest, ASinePlayedOnAChannelComesOutOfTheDiskDriverAtItsPitchAndLevel) {
  const std::string file = ::testing::TempDir() + "mixer_disk_audio.raw";
  std::remove(file.c_str());
  {
    TScopedEnvironment environment;
    environment.Set("SDL_AUDIODRIVER", "disk");
    environment.Set("SDL_DISKAUDIOFILE", file);
    if (OpenMixerBackend(std::make_shared<TSdlWaveOutput>()) != 0) {
      GTEST_SKIP() << "SDL's disk audio driver does not open here";
    }
  }
  // One second of 1 kHz at amplitude 8000.
  constexpr int32_t Hz = 44100;
  constexpr double Amplitude = 8000;
  TSoundClipRef clip = LoadSoundFile(Sine(Hz), 0);
  TAudioChannelRef channel = NewChannel();
  ASSERT_NE(StartSound(clip, channel), nullptr);
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  while (ChannelIsPlaying(channel) && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(ChannelIsPlaying(channel), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  CloseMixerBackend();

  const std::vector<int16_t> samples = ReadSamples(file);
  const int64_t frames = int64_t(samples.size()) / 2;
  ASSERT_GT(frames, Hz);

  int64_t first = -1;
  int64_t last = -1;
  for (int64_t k = 0; k < frames; ++k) {
    if (std::abs(samples[2 * k]) > 1000) {
      if (first < 0) first = k;
      last = k;
    }
  }
  ASSERT_GE(first, 0) << "no sound in the file";
  // The tone lasts one second of output: no fragment lost or repeated.
  const double seconds = double(last - first + 1) / Hz;
  EXPECT_NEAR(seconds, 1.0, 0.05);

  int64_t rising = 0;
  double energy = 0;
  int64_t differing = 0;
  for (int64_t k = first + 1; k <= last; ++k) {
    const int16_t left = samples[2 * k];
    const int16_t right = samples[2 * k + 1];
    rising += samples[2 * (k - 1)] < 0 && left >= 0;
    energy += double(left) * left;
    differing += left != right;
  }
  const double pitch = rising / seconds;
  const double rms = std::sqrt(energy / double(last - first));
  EXPECT_NEAR(pitch, 1000.0, 1000.0 * 0.02);
  EXPECT_NEAR(rms, Amplitude / std::sqrt(2.0), Amplitude / std::sqrt(2.0) * 0.03);
  EXPECT_EQ(differing, 0) << "a centred sound is the same on both sides";
  std::cout << "disk driver: tone " << seconds << " s, " << pitch << " Hz, rms " << rms << " in "
            << file << "\n";
}

// The mixing thread reads the clock when it picks up a new sound; this clock stalls that
// read once, for 400 ms, on any thread but the test's own.
std::atomic<bool> stall_armed{false};
std::thread::id test_thread;
int32_t StallingClock() {
  if (std::this_thread::get_id() != test_thread && stall_armed.exchange(false)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
  }
  return SteadyClock();
}

// A mixing pass that stalls lets SDL play past what was published: the device plays silence
// there rather than stale sound, the mixer resets it, keeps it silent for 250 ticks (1.25 s)
// and restarts it, after which the loop plays on.
TEST_F(SdlWaveOutputTest, AStalledMixingPassIsAnUnderrunAfterWhichPlaybackRestarts) {
  const std::string file = ::testing::TempDir() + "mixer_underrun_audio.raw";
  std::remove(file.c_str());
  test_thread = std::this_thread::get_id();
  SetMixerClock(&StallingClock);
  {
    TScopedEnvironment environment;
    environment.Set("SDL_AUDIODRIVER", "disk");
    environment.Set("SDL_DISKAUDIOFILE", file);
    if (OpenMixerBackend(std::make_shared<TSdlWaveOutput>()) != 0) {
      GTEST_SKIP() << "SDL's disk audio driver does not open here";
    }
  }
  TSoundClipRef tone = LoadSoundFile(Sine(4410), SoundLoop);
  TAudioChannelRef channel = NewChannel();
  ASSERT_NE(StartSound(tone, channel), nullptr);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  stall_armed = true;
  StartSound(LoadSoundFile(NewSampleBuffer(10, 44100, FormatMono16LE), 0));

  // Runs of exact silence after the tone first sounds; a sine has none longer than a frame.
  struct Underrun {
    bool sounded = false;
    double gap = 0;        // seconds of the longest silence
    double loudAfter = 0;  // seconds of tone after it
    double after = 0;      // seconds of anything after it
  };
  const auto analyse = [&file] {
    const std::vector<int16_t> samples = ReadSamples(file);
    const int64_t frames = int64_t(samples.size()) / 2;
    Underrun result;
    int64_t first = -1, longest_gap = 0, gap_end = 0, run = 0;
    for (int64_t k = 0; k < frames; ++k) {
      const int16_t left = samples[2 * k];
      if (first < 0) {
        if (std::abs(left) > 1000) first = k;
        continue;
      }
      run = left == 0 && samples[2 * k + 1] == 0 ? run + 1 : 0;
      if (run > longest_gap) {
        longest_gap = run;
        gap_end = k + 1;
      }
    }
    int64_t loud_after = 0;
    for (int64_t k = gap_end; k < frames; ++k) loud_after += std::abs(samples[2 * k]) > 1000;
    result.sounded = first >= 0;
    result.gap = double(longest_gap) / 44100;
    result.loudAfter = double(loud_after) / 44100;
    result.after = double(frames - gap_end) / 44100;
    return result;
  };
  // The restart comes 250 mixing ticks after the stall; a loaded machine (or a sanitizer) makes
  // ticks late, so wait for the tone to come back rather than for a fixed time.
  Underrun underrun;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  std::this_thread::sleep_for(std::chrono::milliseconds(2000));
  do {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    underrun = analyse();
  } while ((underrun.gap < 1.25 || underrun.loudAfter < 0.3) &&
           std::chrono::steady_clock::now() < deadline);
  EXPECT_FALSE(stall_armed) << "the mixing thread never read the clock";
  CloseMixerBackend();

  ASSERT_TRUE(underrun.sounded) << "no sound in the file";
  // The rest of the stall, 250 ticks, and the silent fragments the restart begins with.
  const double gap = underrun.gap;
  EXPECT_GT(gap, 1.25);
  EXPECT_LT(gap, 5.0);
  EXPECT_GT(underrun.loudAfter, 0.1) << "the tone did not come back";
  std::cout << "underrun: silence " << gap << " s, tone again for " << underrun.after << " s\n";
}

// Recurses until the stack runs out; the array and the use after the call defeat tail calls.
int Deep(int n) {
  if (n == -1) return 0;
  volatile char frame[4096];
  frame[0] = static_cast<char>(n);
  return Deep(n + 1) + frame[0];
}

TEST(SdlWaveOutputDeathTest, AStackOverflowOnTheMixingThreadIsReported) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        InstallSignalHandlers();
        TSdlWaveOutput output;
        output.StartTicks([] { Deep(0); });
        sleep(10);
        std::exit(0);
      },
      ::testing::ExitedWithCode(255), "^Unhandled Memory Exception Error$");
}

TEST_F(SdlWaveOutputTest, WithADriverThatCannotOpenTheSilentBackendAnswersEverything) {
  TScopedEnvironment environment;
  environment.Set("SDL_AUDIODRIVER", "no-such-driver");
  // The start-up path of the program: the mixer does not open and the silent backend stays.
  InitAudio();
  EXPECT_NE(CurrentSystemDriver(), nullptr) << "the mixer's clock is the system's";
  EXPECT_FALSE(MixerIsOpen());
  EXPECT_EQ(OpenMixerBackend(), -1);
  ASSERT_NE(CurrentAudioBackend, nullptr);
  EXPECT_EQ(std::dynamic_pointer_cast<TMixerBackend>(CurrentAudioBackend), nullptr);

  TSoundClipRef clip = LoadSoundFile(NewSampleBuffer(100, 44100, FormatMono16LE), SoundLoop);
  ASSERT_NE(clip, nullptr);
  TAudioChannelRef channel = NewChannel();
  ASSERT_NE(channel, nullptr);
  EXPECT_NE(StartSound(clip, channel), nullptr);
  EXPECT_NE(StartSound(clip), nullptr);
  SetChannelGain(channel, 0.5f);
  SetChannelSpeed(channel, 2);
  HoldChannel(channel);
  ContinueChannel(channel);
  EXPECT_EQ(ChannelIsPlaying(channel), 0);
  HaltChannel(channel);
  EXPECT_EQ(LoadSoundFile("no such file.ogg", 0), nullptr);
}

}  // namespace
