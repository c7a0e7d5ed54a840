// The mixer backend: sound clips and channels over the mixer service, on a device the test
// drives.
#include "audio/mixer_backend.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <vector>

#include "audio/audio_backend.h"
#include "audio/mixer_service.h"
#include "support/fake_output_device.h"

namespace {

std::atomic<int32_t> test_now{0};
int32_t TestClock() {
  return test_now.load();
}

class MixerBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitAudioBackend();
    test_now = 5000;
    SetMixerClock(&TestClock);
    device = std::make_shared<TFakeOutputDevice>();
    ASSERT_EQ(OpenMixerBackend(device), 0);
  }

  void TearDown() override {
    CloseMixerBackend();
    SetMixerClock(nullptr);
  }

  // A clip of length frames, each a copy of frame (the bytes of one frame in the format).
  TSoundClipRef Clip(int32_t format, const std::vector<uint8_t>& frame, int32_t length,
                     int32_t flags = 0) {
    TSampleBufferRef sample = NewSampleBuffer(length, 44100, format);
    for (int32_t i = 0; i < length; ++i) {
      std::memcpy(sample->samples + size_t(i) * frame.size(), frame.data(), frame.size());
    }
    return LoadSoundFile(sample, flags);
  }

  // 16-bit mono clip with samples 1000, 1010, 1020, ...
  TSoundClipRef RampClip() {
    TSampleBufferRef sample = NewSampleBuffer(2000, 44100, FormatMono16LE);
    auto* words = reinterpret_cast<int16_t*>(sample->samples);
    for (int32_t i = 0; i < 2000; ++i) words[i] = int16_t(1000 + 10 * i);
    return LoadSoundFile(sample, 0);
  }

  // The next fragment, after the start delay has passed.
  std::vector<int16_t> Next() {
    test_now += 20;
    return device->NextFragment();
  }

  std::shared_ptr<TFakeOutputDevice> device;
};

std::vector<uint8_t> LittleEndian(std::initializer_list<int16_t> values) {
  std::vector<uint8_t> bytes;
  for (int16_t v : values) {
    bytes.push_back(uint8_t(v & 0xFF));
    bytes.push_back(uint8_t((v >> 8) & 0xFF));
  }
  return bytes;
}

std::vector<uint8_t> BigEndian(std::initializer_list<int16_t> values) {
  std::vector<uint8_t> bytes;
  for (int16_t v : values) {
    bytes.push_back(uint8_t((v >> 8) & 0xFF));
    bytes.push_back(uint8_t(v & 0xFF));
  }
  return bytes;
}

TEST_F(MixerBackendTest, OpeningMakesTheMixerBackendCurrentAndClosingPutsTheSilentOneBack) {
  EXPECT_NE(std::dynamic_pointer_cast<TMixerBackend>(CurrentAudioBackend), nullptr);
  CloseMixerBackend();
  EXPECT_EQ(std::dynamic_pointer_cast<TMixerBackend>(CurrentAudioBackend), nullptr);
  EXPECT_NE(CurrentAudioBackend, nullptr);
}

TEST_F(MixerBackendTest, EverySampleFormatPlaysWithItsOwnValues) {
  struct Case {
    int32_t format;
    std::vector<uint8_t> frame;
    int16_t left, right;
  };
  const Case cases[] = {
      {FormatMono8, {132}, 1024, 1024},
      {FormatMono16LE, LittleEndian({1000}), 1000, 1000},
      {FormatMono16BE, BigEndian({1000}), 1000, 1000},
      {FormatStereo8, {132, 120}, 1024, -2048},
      {FormatStereo16LE, LittleEndian({1000, -2000}), 1000, -2000},
      {FormatStereo16BE, BigEndian({1000, -2000}), 1000, -2000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    TSoundClipRef clip = Clip(c.format, c.frame, 100);
    ASSERT_NE(std::dynamic_pointer_cast<TMixerSoundClip>(clip), nullptr);
    TAudioChannelRef channel = StartSound(clip);
    std::vector<int16_t> out = Next();
    EXPECT_EQ(out[20], c.left);
    EXPECT_EQ(out[21], c.right);
  }
  EXPECT_EQ(CurrentAudioBackend->CreateSoundClip(NewSampleBuffer(10, 44100, 0), 0), nullptr);
  EXPECT_EQ(CurrentAudioBackend->CreateSoundClip(nullptr, 0), nullptr);
}

TEST_F(MixerBackendTest, AnyNonZeroFlagsLoop) {
  for (int32_t flags : {0, 1, 8}) {
    TAudioChannelRef channel = StartSound(Clip(FormatMono16LE, LittleEndian({500}), 100, flags));
    Next();
    Next();
    EXPECT_EQ(ChannelIsPlaying(channel), flags != 0 ? 1 : 0) << flags;
    HaltChannel(channel);
  }
}

TEST_F(MixerBackendTest, StartingOnAChannelReturnsThatChannelAndWithoutOneAFreshChannel) {
  TSoundClipRef clip = Clip(FormatMono16LE, LittleEndian({700}), 5000);
  TAudioChannelRef channel = NewChannel();
  ASSERT_NE(std::dynamic_pointer_cast<TMixerChannel>(channel), nullptr);
  EXPECT_EQ(StartSound(clip, channel), channel);
  TAudioChannelRef temporary = StartSound(clip);
  ASSERT_NE(std::dynamic_pointer_cast<TMixerChannel>(temporary), nullptr);
  EXPECT_NE(temporary, channel);
  EXPECT_EQ(Next()[100], 1400);
  EXPECT_EQ(ChannelIsPlaying(channel), 1);
  EXPECT_EQ(ChannelIsPlaying(temporary), 1);
}

TEST_F(MixerBackendTest, AChannelOfAnotherBackendPlaysNothing) {
  TSoundClipRef clip = Clip(FormatMono16LE, LittleEndian({700}), 5000);
  auto foreign = std::make_shared<TAudioChannel>();
  EXPECT_EQ(StartSound(clip, foreign), nullptr);
  EXPECT_EQ(StartSoundPaused(clip, foreign), nullptr);
  for (int16_t v : Next()) ASSERT_EQ(v, 0);
}

TEST_F(MixerBackendTest, ChannelSettingsReachTheMixerInFixedPoint) {
  struct Case {
    const char* name;
    float gain, balance, surround, speed;
    int16_t left, right;  // output frame 10 of samples 1000, 1010, ...
  };
  const Case cases[] = {
      {"defaults", 1, 0, 0, 1, 1100, 1100},
      {"gain 0.5 passes 2048", 0.5f, 0, 0, 1, 550, 550},
      {"gain beyond 8 is held at 32767, not wrapped", 100, 0, 0, 1, 8799, 8799},
      {"balance 1 is right only", 1, 1, 0, 1, 0, 1100},
      {"balance -0.25 takes a quarter off the right", 1, -0.25f, 0, 1, 1100, 825},
      {"negative surround inverts the right", 1, 0, -1, 1, 1100, -1100},
      {"speed 1.5 passes 98304", 1, 0, 0, 1.5f, 1150, 1150},
      {"a negative speed does not play backwards", 1, 0, 0, -1, 1000, 1000},
  };
  TSoundClipRef clip = RampClip();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TAudioChannelRef channel = NewChannel();
    SetChannelGain(channel, c.gain);
    SetChannelBalance(channel, c.balance);
    SetChannelSurround(channel, c.surround);
    SetChannelSpeed(channel, c.speed);
    StartSound(clip, channel);
    std::vector<int16_t> out = Next();
    EXPECT_EQ(out[20], c.left);
    EXPECT_EQ(out[21], c.right);
    HaltChannel(channel);
  }
}

TEST_F(MixerBackendTest, APausedSoundCountsAsPlayingAndAHaltedOneDoesNot) {
  TAudioChannelRef channel = NewChannel();
  EXPECT_EQ(ChannelIsPlaying(channel), 0);
  StartSoundPaused(RampClip(), channel);
  EXPECT_EQ(ChannelIsPlaying(channel), 1);
  for (int16_t v : Next()) ASSERT_EQ(v, 0);
  ContinueChannel(channel);
  EXPECT_EQ(Next()[0], 1000) << "it starts from its beginning";
  HoldChannel(channel);
  EXPECT_EQ(ChannelIsPlaying(channel), 1);
  HaltChannel(channel);
  EXPECT_EQ(ChannelIsPlaying(channel), 0);
}

TEST_F(MixerBackendTest, AClipDroppedWhileItPlaysPlaysToItsEnd) {
  TAudioChannelRef channel = NewChannel();
  StartSound(Clip(FormatMono16LE, LittleEndian({900}), 800), channel);
  std::vector<int16_t> out = Next();
  EXPECT_EQ(out[0], 900);
  EXPECT_EQ(Next()[2 * 200], 900);
  EXPECT_EQ(ChannelIsPlaying(channel), 0);
}

// The game takes two channels each time a screen starts (music and effects) and drops them
// when it ends. Without handles going back to the free list, the 4095 handles would run out
// after about 2000 screens.
TEST_F(MixerBackendTest, ChannelsDroppedByEveryScreenGiveTheirHandlesBack) {
  TSoundClipRef music = Clip(FormatStereo16LE, LittleEndian({300, 300}), 3000, SoundLoop);
  TSoundClipRef effect = Clip(FormatMono16LE, LittleEndian({200}), 1500);
  for (int screen = 0; screen < 3000; ++screen) {
    TAudioChannelRef music_channel = NewChannel();
    TAudioChannelRef effect_channel = NewChannel();
    ASSERT_NE(music_channel, nullptr) << "screen " << screen;
    ASSERT_NE(effect_channel, nullptr) << "screen " << screen;
    StartSound(music, music_channel);
    Next();
    // Typing: each effect stops the one before it.
    for (int key = 0; key < 3; ++key) StartSound(effect, effect_channel);
    Next();
    HaltChannel(music_channel);
    // The last effect is still playing when the screen goes.
  }
  for (int i = 0; i < 8; ++i) Next();
  EXPECT_LT(MixerVoiceCount(), 16);
  std::vector<TAudioChannelRef> channels;
  for (int i = 0; i < 4095; ++i) channels.push_back(NewChannel());
  EXPECT_NE(channels.back(), nullptr) << "every handle came back";
  EXPECT_EQ(NewChannel(), nullptr);
}

// With every handle held by a channel, no channel is left for NewChannel or a temporary sound,
// yet the held channels play and temporary sounds still sound to their end.
TEST_F(MixerBackendTest, WithAll4095HandlesHeldTemporarySoundsStillPlay) {
  std::vector<TAudioChannelRef> channels;
  for (int i = 0; i < 4095; ++i) {
    channels.push_back(NewChannel());
    ASSERT_NE(channels.back(), nullptr) << i;
  }
  EXPECT_EQ(NewChannel(), nullptr);
  TAudioChannelRef held = channels[1234];
  EXPECT_EQ(StartSound(Clip(FormatMono16LE, LittleEndian({100}), 100, SoundLoop), held), held);
  EXPECT_EQ(StartSound(Clip(FormatMono16LE, LittleEndian({20}), 300)), nullptr);
  EXPECT_EQ(StartSound(Clip(FormatStereo16LE, LittleEndian({3, 5}), 400)), nullptr);
  std::vector<int16_t> out = Next();
  EXPECT_EQ(out[0], 123);
  EXPECT_EQ(out[1], 125);
  EXPECT_EQ(out[2 * 300], 103) << "the shorter temporary sound has ended";
  EXPECT_EQ(out[2 * 400], 100) << "so has the longer one";
  EXPECT_EQ(ChannelIsPlaying(held), 1);
  EXPECT_EQ(NewChannel(), nullptr) << "the temporary sounds took no handle";
  channels.pop_back();
  Next();
  EXPECT_NE(NewChannel(), nullptr) << "a dropped channel gives its handle back";
}

TEST_F(MixerBackendTest, ADroppedChannelLetsAOneShotEndButStopsALoop) {
  TAudioChannelRef effect = NewChannel();
  TAudioChannelRef music = NewChannel();
  StartSound(Clip(FormatMono16LE, LittleEndian({100}), 1000), effect);
  StartSound(Clip(FormatMono16LE, LittleEndian({20}), 100, SoundLoop), music);
  EXPECT_EQ(Next()[0], 120);
  effect.reset();
  music.reset();
  // Nobody could stop the loop any more; the one-shot has 488 frames to go.
  std::vector<int16_t> out = Next();
  EXPECT_EQ(out[2 * 487], 100);
  EXPECT_EQ(out[2 * 488], 0);
  EXPECT_EQ(Next()[0], 0);
}

// StartSound(sound, null) gives a channel over a temporary handle. Played on again, that channel
// holds its handle like one from NewChannel: dropping it stops a loop, lets a one-shot end, and
// gives the handle back.
TEST_F(MixerBackendTest, ATemporaryChannelPlayedOnAgainGivesItsHandleBackWhenDropped) {
  struct Case {
    const char* name;
    int32_t flags;
  } cases[] = {{"loop", SoundLoop}, {"one-shot", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TAudioChannelRef channel = StartSound(Clip(FormatMono16LE, LittleEndian({200}), 5000));
    EXPECT_EQ(Next()[0], 200);
    TSoundClipRef again = Clip(FormatMono16LE, LittleEndian({30}), 600, c.flags);
    EXPECT_EQ(StartSound(again, channel), channel);
    EXPECT_EQ(Next()[0], 30);
    channel.reset();
    Next();
    Next();
    for (int16_t v : Next()) ASSERT_EQ(v, 0);
    std::vector<TAudioChannelRef> channels;
    for (int i = 0; i < 4095; ++i) channels.push_back(NewChannel());
    EXPECT_NE(channels.back(), nullptr) << "every handle came back";
  }
}

TEST_F(MixerBackendTest, AChannelKeepsItsSettingsAfterItIsHalted) {
  TAudioChannelRef channel = NewChannel();
  SetChannelGain(channel, 0.5f);
  TSoundClipRef clip = Clip(FormatMono16LE, LittleEndian({1000}), 100);
  StartSound(clip, channel);
  EXPECT_EQ(Next()[0], 500);
  HaltChannel(channel);
  Next();
  Next();
  StartSound(clip, channel);  // takes the halted voice back
  StartSound(clip, channel);
  EXPECT_EQ(Next()[0], 500);
}

}  // namespace
