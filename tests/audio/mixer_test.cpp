// The mixer service on a device the test drives: no thread and no sound card. Each Advance
// moves the play position on by one fragment, and the tick mixes exactly one new fragment.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <vector>

#include "audio/audio_device.h"
#include "audio/mixer_service.h"
#include "support/fake_output_device.h"

namespace {

std::atomic<int32_t> test_now{0};
int32_t TestClock() {
  return test_now.load();
}

constexpr int32_t FragmentFrames = 512;

struct TFrames {
  std::vector<int16_t> left;
  std::vector<int16_t> right;
};

class MixerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test_now = 100000;
    SetMixerClock(&TestClock);
    device = std::make_shared<TFakeOutputDevice>();
    ASSERT_EQ(OpenMixer(device), 0);
  }

  void TearDown() override {
    CloseMixer();
    for (pcmdata* pcm : sounds) ReleasePcm(pcm);
    SetMixerClock(nullptr);
  }

  // A 16-bit sound owned by the fixture.
  pcmdata* Sound(const std::vector<int16_t>& samples, int32_t channels, int32_t hz, bool loop) {
    pcmdata* pcm =
        CreatePcm(int32_t(samples.size()) / channels, 16, channels, hz, samples.data(), loop);
    sounds.push_back(pcm);
    return pcm;
  }
  pcmdata* Constant(int16_t value, int32_t frames, bool loop) {
    return Sound(std::vector<int16_t>(frames, value), 1, 44100, loop);
  }
  pcmdata* Ramp(int32_t frames, int32_t step, int32_t hz) {
    std::vector<int16_t> samples(frames);
    for (int32_t i = 0; i < frames; ++i) samples[i] = int16_t(i * step);
    return Sound(samples, 1, hz, false);
  }

  // Lets the start delay pass, as if the mixer picked the voices up 20 ms after their start.
  void Later(int32_t ms = 20) { test_now += ms; }

  // Mixes the next fragment and returns its frames.
  TFrames Next() {
    const std::vector<int16_t> samples = device->NextFragment();
    EXPECT_EQ(samples.size(), 1024u);
    TFrames frames;
    for (size_t k = 0; k + 1 < samples.size(); k += 2) {
      frames.left.push_back(samples[k]);
      frames.right.push_back(samples[k + 1]);
    }
    return frames;
  }

  std::shared_ptr<TFakeOutputDevice> device;
  std::vector<pcmdata*> sounds;
};

TEST_F(MixerTest, OpeningMixesTheFirstSixFragmentsAndStartsPlayback) {
  EXPECT_TRUE(device->opened);
  EXPECT_EQ(device->plays, 1);
  EXPECT_EQ(MixerDevice()->latency, 6);
  EXPECT_EQ(MixerDevice()->written, 6 * 1024);
  EXPECT_EQ(device->published.load(), 6 * 1024 * 2);
  // Playing on: the mixer stays latency fragments ahead of the play position.
  device->Advance(3 * FragmentFrames);
  EXPECT_EQ(MixerDevice()->written, 9 * 1024);
}

TEST_F(MixerTest, AFailingDeviceLeavesTheMixerClosed) {
  CloseMixer();
  auto failing = std::make_shared<TFakeOutputDevice>();
  failing->open_fails = true;
  EXPECT_EQ(OpenMixer(failing), -1);
  EXPECT_FALSE(MixerIsOpen());
  EXPECT_EQ(NewHandle(), 0);
  EXPECT_EQ(CreatePcm(10, 16, 1, 44100, nullptr, 0), nullptr);
  EXPECT_EQ(PlayPcm(nullptr, 0, 77), 77);
}

TEST_F(MixerTest, FullVolumeSampleComesOutUnchangedAndPanAndDepthShapeTheSides) {
  struct Case {
    int16_t pan;
    int16_t depth;
    int16_t left;
    int16_t right;
  };
  const Case cases[] = {
      {0, 0, 1000, 1000},   {4096, 0, 0, 1000},    {-4096, 0, 1000, 0},
      {2048, 0, 500, 1000}, {-1024, 0, 1000, 750}, {0, -4096, 1000, -1000},
  };
  pcmdata* pcm = Constant(1000, 4000, true);
  for (const Case& c : cases) {
    const int32_t h = NewHandle();
    SetHandlePan(h, c.pan);
    SetHandleDepth(h, c.depth);
    PlayPcm(pcm, 0, h);
    Later();
    TFrames out = Next();
    SCOPED_TRACE(testing::Message() << "pan " << c.pan << " depth " << c.depth);
    for (int32_t k = 0; k < FragmentFrames; k += 97) {
      EXPECT_EQ(out.left[k], c.left);
      EXPECT_EQ(out.right[k], c.right);
    }
    StopHandle(h);
    ReleaseHandle(h);
    Next();
  }
}

TEST_F(MixerTest, ASoundAtHalfTheOutputRateStepsHalfAFrameAndInterpolates) {
  // Samples 0, 64, 128, ...: frame k of the output reads position k / 2.
  PlayPcm(Ramp(2000, 64, 22050), 0, 0);
  Later();
  TFrames out = Next();
  for (int32_t k = 0; k < FragmentFrames; ++k) ASSERT_EQ(out.left[k], 32 * k) << k;
  // The next pass goes on from where this one ended.
  out = Next();
  EXPECT_EQ(out.left[0], 32 * FragmentFrames);
}

TEST_F(MixerTest, EveryLayoutReadsItsFramesAndInterpolatesBetweenThem) {
  struct Case {
    const char* name;
    int32_t bits;
    int32_t channels;
    std::vector<uint8_t> bytes;  // two frames
    int16_t left0, right0, left_half, right_half;
  };
  auto words = [](std::initializer_list<int16_t> values) {
    std::vector<uint8_t> bytes;
    for (int16_t v : values) {
      bytes.push_back(uint8_t(v & 0xFF));
      bytes.push_back(uint8_t((v >> 8) & 0xFF));
    }
    return bytes;
  };
  const Case cases[] = {
      {"mono 16", 16, 1, words({1000, 3000}), 1000, 1000, 2000, 2000},
      {"mono 8", 8, 1, {132, 136}, 1024, 1024, 1536, 1536},
      {"stereo 16", 16, 2, words({1000, -2000, 3000, -4000}), 1000, -2000, 2000, -3000},
      {"stereo 8", 8, 2, {132, 120, 136, 112}, 1024, -2048, 1536, -3072},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    pcmdata* pcm = CreatePcm(2, c.bits, c.channels, 22050, c.bytes.data(), 0);
    sounds.push_back(pcm);
    PlayPcm(pcm, 0, 0);
    Later();
    TFrames out = Next();
    EXPECT_EQ(out.left[0], c.left0);
    EXPECT_EQ(out.right[0], c.right0);
    EXPECT_EQ(out.left[1], c.left_half);
    EXPECT_EQ(out.right[1], c.right_half);
    // The one-shot's guard frame repeats its last frame: no read beyond it.
    EXPECT_EQ(out.left[4], 0);
  }
}

TEST_F(MixerTest, AOneShotStopsInMidPassAndAChannelKeepsItsStoppedVoice) {
  const int32_t h = NewHandle();
  PlayPcm(Constant(1000, 100, false), 0, h);
  Later();
  TFrames out = Next();
  for (int32_t k = 0; k < 100; ++k) ASSERT_EQ(out.left[k], 1000) << k;
  for (int32_t k = 100; k < FragmentFrames; ++k) ASSERT_EQ(out.left[k], 0) << k;
  EXPECT_EQ(HandleStatus(h), 1);
  Next();
  Next();
  EXPECT_EQ(HandleStatus(h), 1);
}

TEST_F(MixerTest, ATemporaryVoiceIsRecycledOnceItEnds) {
  pcmdata* pcm = Constant(1000, 100, false);
  const int32_t first = PlayPcm(pcm, 0, 0);
  ASSERT_NE(first, 0);
  EXPECT_EQ(pcm->refs.load(), 2);
  Later();
  Next();
  EXPECT_EQ(HandleStatus(first), 0) << "stopped and marked for recycling";
  Next();
  EXPECT_EQ(pcm->refs.load(), 1) << "the mixer gave its reference back";
  const int32_t voices = MixerVoiceCount();
  // The next play takes the recycled voice back (no new voice) and frees its handle.
  EXPECT_NE(PlayPcm(pcm, 0, 0), 0);
  EXPECT_EQ(MixerVoiceCount(), voices);
  const int32_t reused = NewHandle();
  EXPECT_EQ(reused & 4095, first & 4095);
  EXPECT_NE(reused, first);
  EXPECT_EQ(HandleStatus(first), 0);
}

TEST_F(MixerTest, ALoopWrapsAndInterpolatesItsLastFrameTowardsItsFirst) {
  // 100 frames 1000, 1100, ..., 10900 played at half speed: output frame k reads k / 2.
  std::vector<int16_t> samples(100);
  for (int32_t i = 0; i < 100; ++i) samples[i] = int16_t(1000 + 100 * i);
  pcmdata* pcm = Sound(samples, 1, 44100, true);
  const int32_t h = NewHandle();
  SetHandleRate(h, 0x8000);
  PlayPcm(pcm, 0, h);
  Later();
  TFrames out = Next();
  EXPECT_EQ(out.left[198], 10900);
  EXPECT_EQ(out.left[199], (10900 + 1000) / 2);
  EXPECT_EQ(out.left[200], 1000);
  for (int32_t k = 200; k < FragmentFrames; ++k) ASSERT_EQ(out.left[k], out.left[k - 200]) << k;
  EXPECT_EQ(HandleStatus(h), 4);
}

TEST_F(MixerTest, AVolumeChangeFadesLinearlyOverOnePass) {
  const int32_t h = NewHandle();
  PlayPcm(Constant(1000, 100, true), 0, h);
  Later();
  EXPECT_EQ(Next().left[FragmentFrames - 1], 1000);
  SetHandleVolume(h, 0);
  TFrames out = Next();
  for (int32_t k = 0; k < FragmentFrames; ++k) {
    const int32_t linear = 1000 * (FragmentFrames - k) / FragmentFrames;
    ASSERT_LE(std::abs(out.left[k] - linear), 2) << k;
    ASSERT_EQ(out.right[k], out.left[k]);
  }
  out = Next();
  for (int16_t v : out.left) ASSERT_EQ(v, 0);
  EXPECT_EQ(HandleStatus(h), 4) << "a silent voice plays on";
}

TEST_F(MixerTest, ARateChangeRampsTheStepOverOnePass) {
  // Samples 0, 4, 8, ...: the output shows the position.
  const int32_t h = NewHandle();
  std::vector<int16_t> samples(5000);
  for (int32_t i = 0; i < 5000; ++i) samples[i] = int16_t(4 * i);
  PlayPcm(Sound(samples, 1, 44100, false), 0, h);
  Later();
  Next();
  SetHandleRate(h, 0x20000);
  EXPECT_EQ(Next().left[0], 4 * 512);
  // From step 1 to step 2 over 512 frames: about 768 frames of source, not 512 or 1024.
  TFrames after = Next();
  EXPECT_NEAR(after.left[0], 4 * (512 + 768), 8);
  EXPECT_EQ(after.left[1] - after.left[0], 8) << "double speed from then on";
}

TEST_F(MixerTest, ASoundStartsTwentyMillisecondsAfterTheCallThatStartedIt) {
  struct Case {
    int32_t picked_up_after_ms;
    int32_t silent_frames;
  };
  const Case cases[] = {{0, 882}, {5, 661}, {15, 220}, {20, 0}, {25, 0}};
  pcmdata* pcm = Constant(1000, 100, true);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "picked up after " << c.picked_up_after_ms << " ms");
    const int32_t h = NewHandle();
    PlayPcm(pcm, 0, h);
    Later(c.picked_up_after_ms);
    TFrames first = Next();
    TFrames second = Next();
    std::vector<int16_t> left = first.left;
    left.insert(left.end(), second.left.begin(), second.left.end());
    int32_t silent = 0;
    while (silent < int32_t(left.size()) && left[silent] == 0) ++silent;
    EXPECT_EQ(silent, c.silent_frames);
    EXPECT_EQ(left.back(), 1000);
    StopHandle(h);
    ReleaseHandle(h);
    Next();
  }
}

TEST_F(MixerTest, ANewSoundOnABusyChannelStopsTheOldOneAtTheNextFragment) {
  const int32_t h = NewHandle();
  PlayPcm(Constant(1000, 100, true), 0, h);
  Later();
  EXPECT_EQ(Next().left[0], 1000);
  EXPECT_EQ(PlayPcm(Constant(-500, 100, true), 0, h), h);
  // The new sound waits out its 20 ms; the old one is already gone.
  TFrames out = Next();
  for (int16_t v : out.left) ASSERT_EQ(v, 0);
  out = Next();
  for (int32_t k = 0; k < FragmentFrames; ++k) {
    ASSERT_EQ(out.left[k], k < 882 - 512 ? 0 : -500) << k;
  }
  EXPECT_EQ(HandleStatus(h), 4);
}

TEST_F(MixerTest, PausingHoldsTheVoiceWhereItIs) {
  const int32_t h = NewHandle();
  PlayPcm(Ramp(3000, 4, 44100), 0, h);
  Later();
  Next();
  PauseHandle(h, 1);
  EXPECT_EQ(HandleStatus(h), 2 | 0x10);
  for (int16_t v : Next().left) ASSERT_EQ(v, 0);
  // Set while paused: takes effect without a ramp.
  SetHandleVolume(h, 2048);
  PauseHandle(h, 0);
  TFrames out = Next();
  EXPECT_EQ(out.left[0], 4 * 512 / 2);
  EXPECT_EQ(out.left[100], 4 * 612 / 2);
}

TEST_F(MixerTest, AHandleOfAPastGenerationIsIgnored) {
  const int32_t old = NewHandle();
  ReleaseHandle(old);
  const int32_t current = NewHandle();
  ASSERT_EQ(current & 4095, old & 4095) << "the freed slot is handed out first";
  ASSERT_NE(current, old);
  PlayPcm(Constant(1000, 100, true), 0, current);
  Later();
  StopHandle(old);
  PauseHandle(old, 1);
  SetHandleVolume(old, 0);
  SetHandlePan(old, 4096);
  SetHandleRate(old, 0);
  EXPECT_EQ(HandleStatus(old), 0);
  TFrames out = Next();
  EXPECT_EQ(out.left[FragmentFrames - 1], 1000);
  EXPECT_EQ(out.right[FragmentFrames - 1], 1000);
  EXPECT_EQ(HandleStatus(current), 4);
  // Playing on the stale handle does not touch the channel that owns the slot now.
  const int32_t temporary = PlayPcm(Constant(200, 10, false), 0, old);
  EXPECT_NE(temporary, old);
  EXPECT_NE(temporary, current);
  EXPECT_EQ(HandleStatus(current), 4);
}

TEST_F(MixerTest, HandlesRunOutAt4095AndATemporarySoundStillPlays) {
  std::vector<int32_t> handles;
  for (int32_t h; (h = NewHandle()) != 0;) handles.push_back(h);
  EXPECT_EQ(handles.size(), 4095u);
  EXPECT_EQ(PlayPcm(Constant(1000, 2000, false), 0, 0), 0);
  Later();
  EXPECT_EQ(Next().left[10], 1000);
  ReleaseHandle(handles[7]);
  EXPECT_EQ(NewHandle() & 4095, handles[7] & 4095);
}

TEST_F(MixerTest, AnUnderrunSilencesTheDeviceRestartsItAfter250TicksAndRaisesTheLatency) {
  waveoutdevice* out = MixerDevice();
  PlayPcm(Constant(1000, 100, true), 0, 0);
  Later();
  for (int32_t expected_latency : {8, 10, 10}) {
    SCOPED_TRACE(expected_latency);
    Next();
    const int resets = device->resets;
    const int plays = device->plays;
    // The play position overtakes what was mixed.
    device->position = out->written * 2;
    device->Tick();
    EXPECT_EQ(device->resets, resets + 1);
    EXPECT_EQ(out->latency, expected_latency);
    EXPECT_EQ(out->written, expected_latency * 1024 * 2);
    int32_t loud = 0;
    for (int32_t i = 0; i < device->SampleCount(); ++i) loud += device->Samples()[i] != 0;
    EXPECT_EQ(loud, 0);
    for (int tick = 1; tick < 250; ++tick) device->Tick();
    EXPECT_EQ(device->plays, plays);
    EXPECT_EQ(out->written, expected_latency * 1024 * 2) << "nothing mixed while waiting";
    device->Tick();
    EXPECT_EQ(device->plays, plays + 1);
    // Restarted at position 0, the mixer resumes once playback comes within latency of what
    // was written.
    device->position = (out->written - expected_latency * 1024 + 1024) * 2;
    device->Tick();
    EXPECT_EQ(out->written, expected_latency * 1024 * 2 + 1024);
  }
}

TEST_F(MixerTest, APositionTheDeviceCannotTellSkipsTheTick) {
  const int64_t written = MixerDevice()->written;
  device->position = -1;
  device->Tick();
  EXPECT_EQ(MixerDevice()->written, written);
  EXPECT_EQ(device->resets, 0);
}

TEST_F(MixerTest, ClosingDropsTheReferencesOfVoicesWhereverTheyAre) {
  pcmdata* pcm = Constant(1000, 100, true);
  const int32_t playing = NewHandle();
  PlayPcm(pcm, 0, playing);
  Later();
  Next();
  PlayPcm(pcm, 0, 0);  // still in the start ring
  EXPECT_EQ(pcm->refs.load(), 3);
  CloseMixer();
  EXPECT_EQ(pcm->refs.load(), 1);
  EXPECT_TRUE(device->closed);
  EXPECT_GE(device->resets, 1);
}

TEST_F(MixerTest, ASoundDroppedWhilePlayingIsFreedOnlyAfterItsVoiceIsTakenBack) {
  pcmdata* pcm = CreatePcm(100, 16, 1, 44100, std::vector<int16_t>(100, 700).data(), 0);
  PlayPcm(pcm, 0, 0);
  ReleasePcm(pcm);  // the voice holds the last reference now
  Later();
  EXPECT_EQ(Next().left[50], 700);
  Next();
  // Recycled with the last reference: the next play on the game thread frees it (the address
  // sanitizer build checks that nothing leaks and nothing is read after it is freed).
  PlayPcm(Constant(1, 10, false), 0, 0);
}

TEST_F(MixerTest, CreatePcmRefusesLayoutsTheMixerCannotRead) {
  struct Case {
    int32_t length, bits, channels, hz;
    bool accepted;
  };
  const Case cases[] = {
      {10, 16, 1, 44100, true},  {10, 8, 2, 22050, true},   {0, 16, 1, 44100, true},
      {10, 16, 3, 44100, false}, {10, 16, 0, 44100, false}, {-1, 16, 1, 44100, false},
      {10, 16, 1, 0, false},     {10, 16, 1, -5, false},
  };
  for (const Case& c : cases) {
    pcmdata* pcm = CreatePcm(c.length, c.bits, c.channels, c.hz, nullptr, 0);
    EXPECT_EQ(pcm != nullptr, c.accepted) << c.length << " " << c.channels << " " << c.hz;
    ReleasePcm(pcm);
  }
  // Unknown widths are read as 16 bits, and sized for it.
  pcmdata* odd = CreatePcm(10, 12, 2, 44100, nullptr, 0);
  ASSERT_NE(odd, nullptr);
  EXPECT_EQ(odd->bits, 16);
  EXPECT_EQ(odd->framebytes, 4);
  ReleasePcm(odd);
}

TEST_F(MixerTest, TheGuardFrameRepeatsTheFirstFrameOfALoopAndTheLastOfAOneShot) {
  const std::vector<int16_t> frames = {10, -10, 20, -20, 30, -30};
  for (bool loop : {true, false}) {
    pcmdata* pcm = Sound(frames, 2, 44100, loop);
    ASSERT_EQ(pcm->databytes, 12);
    const int16_t* words = reinterpret_cast<const int16_t*>(pcm->data);
    EXPECT_EQ(words[6], loop ? 10 : 30);
    EXPECT_EQ(words[7], loop ? -10 : -30);
    EXPECT_EQ(pcm->written, 3);
  }
}

TEST_F(MixerTest, AnEmptySoundEndsAtOnce) {
  const int32_t h = NewHandle();
  PlayPcm(Sound({}, 1, 44100, true), 0, h);
  Later();
  for (int16_t v : Next().left) ASSERT_EQ(v, 0);
  EXPECT_EQ(HandleStatus(h), 1);
}

TEST_F(MixerTest, LoudVoicesSaturateInsteadOfWrapping) {
  pcmdata* pcm = Constant(30000, 100, true);
  for (int i = 0; i < 3; ++i) PlayPcm(pcm, 0, 0);
  Later();
  TFrames out = Next();
  EXPECT_EQ(out.left[0], 32767);
  pcmdata* low = Constant(-30000, 100, true);
  for (int i = 0; i < 6; ++i) PlayPcm(low, 0, 0);
  Later();
  out = Next();
  EXPECT_EQ(out.left[0], -32768);
}

}  // namespace
