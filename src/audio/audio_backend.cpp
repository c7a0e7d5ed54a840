// The silent backend formed by the base classes, backend selection, and the module-level
// sound and channel functions.
#include "audio/audio_backend.h"

#include "audio/sample_loader.h"
#include "runtime/module_init.h"

TAudioBackendRef CurrentAudioBackend;

void TAudioChannel::Halt() {}
void TAudioChannel::SetPaused(int32_t paused) {}
void TAudioChannel::SetGain(float gain) {}
void TAudioChannel::SetBalance(float pan) {}
void TAudioChannel::SetSurround(float depth) {}
void TAudioChannel::SetSpeed(float rate) {}
int32_t TAudioChannel::IsPlaying() {
  return 0;
}

TAudioChannelRef TSoundClip::Start(const TAudioChannelRef& channel) {
  return std::make_shared<TAudioChannel>();
}

TAudioChannelRef TSoundClip::StartPaused(const TAudioChannelRef& channel) {
  return std::make_shared<TAudioChannel>();
}

TSoundClipRef TSoundClip::FromFile(const TSampleBufferRef& sample, int32_t flags) {
  if (!sample || !CurrentAudioBackend) return nullptr;
  return CurrentAudioBackend->CreateSoundClip(sample, flags);
}

TSoundClipRef TSoundClip::FromFile(const std::string& source, int32_t flags) {
  return FromFile(LoadSampleBuffer(source), flags);
}

TSoundClipRef TSoundClip::FromFile(const TStreamRef& source, int32_t flags) {
  return FromFile(LoadSampleBuffer(source), flags);
}

TSoundClipRef TAudioBackend::CreateSoundClip(const TSampleBufferRef& sample, int32_t flags) {
  return std::make_shared<TSoundClip>();
}

TAudioChannelRef TAudioBackend::OpenChannel() {
  return std::make_shared<TAudioChannel>();
}

void SetAudioBackend(TAudioBackendRef backend) {
  CurrentAudioBackend = backend ? std::move(backend) : std::make_shared<TAudioBackend>();
}

void InitAudioBackend() {
  static bool done = false;
  if (!FirstInit(done)) return;
  InitRuntime();
  if (!CurrentAudioBackend) SetAudioBackend(nullptr);
}

TSoundClipRef LoadSoundFile(const std::string& source, int32_t flags) {
  return TSoundClip::FromFile(source, flags);
}

TSoundClipRef LoadSoundFile(const TStreamRef& source, int32_t flags) {
  return TSoundClip::FromFile(source, flags);
}

TSoundClipRef LoadSoundFile(const TSampleBufferRef& sample, int32_t flags) {
  return TSoundClip::FromFile(sample, flags);
}

TAudioChannelRef StartSound(const TSoundClipRef& sound, const TAudioChannelRef& channel) {
  return sound ? sound->Start(channel) : nullptr;
}

TAudioChannelRef StartSoundPaused(const TSoundClipRef& sound, const TAudioChannelRef& channel) {
  return sound ? sound->StartPaused(channel) : nullptr;
}

TAudioChannelRef NewChannel() {
  return CurrentAudioBackend ? CurrentAudioBackend->OpenChannel() : nullptr;
}

void HaltChannel(const TAudioChannelRef& channel) {
  if (channel) channel->Halt();
}

int32_t ChannelIsPlaying(const TAudioChannelRef& channel) {
  return channel ? channel->IsPlaying() : 0;
}

void SetChannelGain(const TAudioChannelRef& channel, float gain) {
  if (channel) channel->SetGain(gain);
}

void SetChannelBalance(const TAudioChannelRef& channel, float pan) {
  if (channel) channel->SetBalance(pan);
}

void SetChannelSurround(const TAudioChannelRef& channel, float depth) {
  if (channel) channel->SetSurround(depth);
}

void SetChannelSpeed(const TAudioChannelRef& channel, float rate) {
  if (channel) channel->SetSpeed(rate);
}

void HoldChannel(const TAudioChannelRef& channel) {
  if (channel) channel->SetPaused(1);
}

void ContinueChannel(const TAudioChannelRef& channel) {
  if (channel) channel->SetPaused(0);
}
