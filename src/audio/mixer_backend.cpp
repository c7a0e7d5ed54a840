// The mixer backend over the mixer service.
#include "audio/mixer_backend.h"

#include <cmath>
#include <cstdlib>
#include <limits>

#include "audio/mixer_service.h"

namespace {

// value x scale truncated toward zero, held within [low, high]; NaN gives 0.
int64_t ToFixed(float value, double scale, int64_t low, int64_t high) {
  const double scaled = std::trunc(double(value) * scale);
  if (std::isnan(scaled)) return 0;
  if (scaled <= double(low)) return low;
  if (scaled >= double(high)) return high;
  return int64_t(scaled);
}

int16_t ToFixed16(float value) {
  return int16_t(ToFixed(value, 4096.0, -32768, 32767));
}

}  // namespace

TSoundClipRef TMixerBackend::CreateSoundClip(const TSampleBufferRef& sample, int32_t flags) {
  if (!sample) return nullptr;
  TSampleBufferRef source = sample;
  // The mixer reads little-endian words.
  if (source->format == FormatMono16BE) source = source->Convert(FormatMono16LE);
  if (source->format == FormatStereo16BE) source = source->Convert(FormatStereo16LE);
  const int32_t channels = SampleChannels(source->format);
  if (channels == 0) return nullptr;
  const int32_t bits = SampleFrameBytes(source->format) * 8 / channels;
  pcmdata* pcm =
      CreatePcm(source->length, bits, channels, source->hz, source->samples, flags != 0 ? 1 : 0);
  if (!pcm) return nullptr;
  return TMixerSoundClip::Wrap(pcm);
}

TAudioChannelRef TMixerBackend::OpenChannel() {
  const int32_t handle = NewHandle();
  if (handle == 0) return nullptr;
  return TMixerChannel::Wrap(handle);
}

TMixerSoundClip::~TMixerSoundClip() {
  ReleasePcm(pcm);
}

std::shared_ptr<TMixerSoundClip> TMixerSoundClip::Wrap(pcmdata* pcm) {
  auto clip = std::make_shared<TMixerSoundClip>();
  clip->pcm = pcm;
  return clip;
}

TAudioChannelRef TMixerSoundClip::Start(const TAudioChannelRef& channel) {
  return Play(channel, 0);
}

TAudioChannelRef TMixerSoundClip::StartPaused(const TAudioChannelRef& channel) {
  return Play(channel, 1);
}

TAudioChannelRef TMixerSoundClip::Play(const TAudioChannelRef& channel, int32_t paused) {
  int32_t handle = 0;
  if (channel) {
    auto mixer_channel = std::dynamic_pointer_cast<TMixerChannel>(channel);
    if (!mixer_channel) return nullptr;
    handle = mixer_channel->handle;
  }
  const int32_t result = PlayPcm(pcm, paused, handle);
  if (result == 0) return nullptr;
  if (channel && handle == result) return channel;
  return TMixerChannel::Wrap(result);
}

TMixerChannel::~TMixerChannel() {
  ReleaseHandle(handle);
}

std::shared_ptr<TMixerChannel> TMixerChannel::Wrap(int32_t handle) {
  auto channel = std::make_shared<TMixerChannel>();
  channel->handle = handle;
  return channel;
}

void TMixerChannel::Halt() {
  StopHandle(handle);
}
void TMixerChannel::SetPaused(int32_t paused) {
  PauseHandle(handle, paused);
}
void TMixerChannel::SetGain(float gain) {
  SetHandleVolume(handle, ToFixed16(gain));
}
void TMixerChannel::SetBalance(float pan) {
  SetHandlePan(handle, ToFixed16(pan));
}
void TMixerChannel::SetSurround(float depth) {
  SetHandleDepth(handle, ToFixed16(depth));
}

void TMixerChannel::SetSpeed(float rate) {
  SetHandleRate(handle, int32_t(ToFixed(rate, 65536.0, std::numeric_limits<int32_t>::min(),
                                        std::numeric_limits<int32_t>::max())));
}

int32_t TMixerChannel::IsPlaying() {
  return HandleStatus(handle) > 1 ? 1 : 0;
}

namespace {

bool exit_action_registered = false;

void CloseMixerAtExit() {
  CloseMixer();
}

}  // namespace

int32_t OpenMixerBackend(TWaveOutputDeviceRef output) {
  const int32_t result = output ? OpenMixer(std::move(output)) : OpenMixer();
  if (result != 0) return -1;
  // The mixing thread must be stopped before the process tears down what it uses.
  if (!exit_action_registered) {
    exit_action_registered = true;
    std::atexit(CloseMixerAtExit);
  }
  SetAudioBackend(std::make_shared<TMixerBackend>());
  return 0;
}

void CloseMixerBackend() {
  CloseMixer();
  SetAudioBackend(nullptr);
}
