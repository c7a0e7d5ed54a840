// The mixer backend: sound clips and channels that play through the mixer service.
#pragma once

#include <cstdint>
#include <memory>

#include "audio/audio_backend.h"
#include "audio/mixer_pcm.h"
#include "audio/wave_output_device.h"

class TMixerBackend : public TAudioBackend {
 public:
  // Copies the sample into the mixer (big-endian formats turned little-endian first); any
  // non-zero flags make it loop. Null for a sample without channels or when the mixer is closed.
  TSoundClipRef CreateSoundClip(const TSampleBufferRef& sample, int32_t flags) override;
  // A channel on a new handle; null when all 4095 handles are in use.
  TAudioChannelRef OpenChannel() override;
};

class TMixerSoundClip : public TSoundClip {
 public:
  // Releases its reference to the sound; voices still playing it keep theirs.
  ~TMixerSoundClip() override;

  // Plays on the channel (a mixer channel, or null for a temporary one). Returns that same
  // channel, or a new one for the handle the sound plays on; null when the sound plays on no
  // handle or the channel belongs to another backend (then nothing plays).
  TAudioChannelRef Start(const TAudioChannelRef& channel) override;
  TAudioChannelRef StartPaused(const TAudioChannelRef& channel) override;

  // Takes over one reference to pcm.
  static std::shared_ptr<TMixerSoundClip> Wrap(pcmdata* pcm);

  pcmdata* pcm = nullptr;

 private:
  TAudioChannelRef Play(const TAudioChannelRef& channel, int32_t paused);
};

class TMixerChannel : public TAudioChannel {
 public:
  // Gives the handle back to the mixer: a one-shot still playing on it plays to its end, a
  // loop or a paused sound stops.
  ~TMixerChannel() override;

  void Halt() override;
  void SetPaused(int32_t paused) override;
  // Gain, balance and depth x 4096 and speed x 65536, truncated toward zero and held within
  // the mixer's 16-bit and 32-bit ranges.
  void SetGain(float gain) override;
  void SetBalance(float pan) override;
  void SetSurround(float depth) override;
  void SetSpeed(float rate) override;
  int32_t IsPlaying() override;

  // Takes over the handle: the channel releases it when it is destroyed.
  static std::shared_ptr<TMixerChannel> Wrap(int32_t handle);

  int32_t handle = 0;
};

// Opens the mixer on the SDL wave output (or the given device); on success registers the exit
// action that closes it and makes a new mixer backend current. -1 when no device opens: the
// current backend then stays.
int32_t OpenMixerBackend(TWaveOutputDeviceRef output = nullptr);
// Closes the mixer and puts the silent backend back.
void CloseMixerBackend();
