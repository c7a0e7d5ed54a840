// Sounds and channels over the silent backend, and the module functions that reach them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/audio_backend.h"
#include "audio/sample_loader.h"

namespace {

class SoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitAudioBackend();
    InitAudioLoaders();
    SetAudioBackend(nullptr);
  }
  void TearDown() override { SetAudioBackend(nullptr); }
};

// A 2-frame 8-bit mono WAV, enough for the loaders to produce a sample.
std::vector<uint8_t> TinyWav() {
  return {'R', 'I', 'F', 'F', 38,  0,   0,   0,   'W',  'A',  'V', 'E', 'f',  'm',  't', ' ',
          16,  0,   0,   0,   1,   0,   1,   0,   0x11, 0x2B, 0,   0,   0x11, 0x2B, 0,   0,
          1,   0,   8,   0,   'd', 'a', 't', 'a', 2,    0,    0,   0,   10,   250};
}

TEST_F(SoundTest, SilentBackendAnswersEverythingAndPlaysNothing) {
  ASSERT_NE(CurrentAudioBackend, nullptr);
  EXPECT_EQ(typeid(*CurrentAudioBackend), typeid(TAudioBackend));

  auto sound = LoadSoundFile(TMemoryStream::Own(TinyWav()), SoundLoop);
  ASSERT_NE(sound, nullptr);
  auto channel = NewChannel();
  ASSERT_NE(channel, nullptr);

  auto started = StartSound(sound, channel);
  ASSERT_NE(started, nullptr);
  auto temporary = StartSound(sound);
  ASSERT_NE(temporary, nullptr);
  auto paused = StartSoundPaused(sound, channel);
  ASSERT_NE(paused, nullptr);
  for (const auto& c : {channel, started, temporary, paused}) {
    SetChannelGain(c, 0.5f);
    SetChannelBalance(c, -1.0f);
    SetChannelSurround(c, -1.0f);
    SetChannelSpeed(c, 1.5f);
    HoldChannel(c);
    ContinueChannel(c);
    EXPECT_EQ(ChannelIsPlaying(c), 0);
    HaltChannel(c);
  }
}

TEST_F(SoundTest, NullSoundsAndChannelsAreHarmless) {
  // The mixer backend answers null when it runs out of channels; a game that keeps going
  // with such a channel must not crash.
  TAudioChannelRef none;
  EXPECT_EQ(StartSound(nullptr, NewChannel()), nullptr);
  EXPECT_EQ(StartSoundPaused(nullptr), nullptr);
  HaltChannel(none);
  HoldChannel(none);
  ContinueChannel(none);
  SetChannelGain(none, 1.0f);
  SetChannelBalance(none, 0.0f);
  SetChannelSurround(none, 0.0f);
  SetChannelSpeed(none, 1.0f);
  EXPECT_EQ(ChannelIsPlaying(none), 0);
  EXPECT_EQ(LoadSoundFile(TSampleBufferRef(), 0), nullptr);
  EXPECT_EQ(LoadSoundFile(TStreamRef(), 0), nullptr);
}

TEST_F(SoundTest, MissingOrUnreadableFilesGiveNoSound) {
  EXPECT_EQ(LoadSoundFile("/nonexistent/laser.ogg", 0), nullptr);
  EXPECT_EQ(LoadSoundFile(TMemoryStream::Own({1, 2, 3}), 0), nullptr);
}

// A backend that records what the module functions hand it.
struct RecordingChannel : TAudioChannel {
  std::vector<std::string> calls;
  void Halt() override { calls.push_back("halt"); }
  void SetPaused(int32_t p) override { calls.push_back("paused " + std::to_string(p)); }
  void SetGain(float g) override { calls.push_back("gain " + std::to_string(g)); }
  void SetBalance(float p) override { calls.push_back("balance " + std::to_string(p)); }
  void SetSurround(float d) override { calls.push_back("surround " + std::to_string(d)); }
  void SetSpeed(float r) override { calls.push_back("speed " + std::to_string(r)); }
  int32_t IsPlaying() override { return 1; }
};

struct RecordingClip : TSoundClip {
  TSampleBufferRef sample;
  int32_t flags = 0;
  TAudioChannelRef lastChannel;
  bool lastPaused = false;
  TAudioChannelRef Start(const TAudioChannelRef& channel) override {
    lastChannel = channel;
    lastPaused = false;
    return channel;
  }
  TAudioChannelRef StartPaused(const TAudioChannelRef& channel) override {
    lastChannel = channel;
    lastPaused = true;
    return channel;
  }
};

struct RecordingBackend : TAudioBackend {
  TSoundClipRef CreateSoundClip(const TSampleBufferRef& sample, int32_t flags) override {
    auto clip = std::make_shared<RecordingClip>();
    clip->sample = sample;
    clip->flags = flags;
    return clip;
  }
  TAudioChannelRef OpenChannel() override { return std::make_shared<RecordingChannel>(); }
};

TEST_F(SoundTest, ModuleFunctionsReachTheCurrentBackend) {
  SetAudioBackend(std::make_shared<RecordingBackend>());

  auto sound = std::dynamic_pointer_cast<RecordingClip>(
      LoadSoundFile(TMemoryStream::Own(TinyWav()), SoundLoop));
  ASSERT_NE(sound, nullptr);
  ASSERT_NE(sound->sample, nullptr);
  EXPECT_EQ(sound->sample->length, 2);
  EXPECT_EQ(sound->sample->format, FormatMono8);
  EXPECT_EQ(sound->flags, SoundLoop);

  // A sample buffer is taken as it is, not loaded again.
  auto sample = NewSampleBuffer(10, 8000, FormatMono16LE);
  auto direct = std::dynamic_pointer_cast<RecordingClip>(LoadSoundFile(sample, 0));
  ASSERT_NE(direct, nullptr);
  EXPECT_EQ(direct->sample, sample);

  auto channel = NewChannel();
  auto recorder = std::dynamic_pointer_cast<RecordingChannel>(channel);
  ASSERT_NE(recorder, nullptr);
  EXPECT_EQ(StartSound(sound, channel), channel);
  EXPECT_FALSE(sound->lastPaused);
  EXPECT_EQ(StartSoundPaused(sound, channel), channel);
  EXPECT_TRUE(sound->lastPaused);

  HoldChannel(channel);
  ContinueChannel(channel);
  SetChannelGain(channel, 0.5f);
  SetChannelBalance(channel, -1.0f);
  SetChannelSurround(channel, -0.25f);
  SetChannelSpeed(channel, 1.5f);
  HaltChannel(channel);
  EXPECT_EQ(ChannelIsPlaying(channel), 1);
  EXPECT_EQ(recorder->calls,
            (std::vector<std::string>{"paused 1", "paused 0", "gain 0.500000", "balance -1.000000",
                                      "surround -0.250000", "speed 1.500000", "halt"}));

  SetAudioBackend(nullptr);
  EXPECT_EQ(typeid(*CurrentAudioBackend), typeid(TAudioBackend));
}

}  // namespace
