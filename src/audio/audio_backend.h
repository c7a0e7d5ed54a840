// The audio interface the game sees: backends, sound clips and channels, the silent backend
// that their base classes form, and the module-level sound and channel functions.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "audio/sample_buffer.h"
#include "runtime/object.h"
#include "runtime/stream.h"

class TAudioChannel;
class TSoundClip;
class TAudioBackend;
using TAudioChannelRef = std::shared_ptr<TAudioChannel>;
using TSoundClipRef = std::shared_ptr<TSoundClip>;
using TAudioBackendRef = std::shared_ptr<TAudioBackend>;

// Flag for CreateSoundClip and LoadSoundFile: play the sound in a loop.
constexpr int32_t SoundLoop = 1;

// Where a sound plays. The base channel is silent: every setter does nothing and it never
// plays. Units: gain 1.0 is unchanged volume; balance -1 left only, 0 centre, 1 right only;
// a negative depth inverts the right side; speed 1.0 is the sound's own rate.
class TAudioChannel : public TObject {
 public:
  virtual void Halt();
  virtual void SetPaused(int32_t paused);
  virtual void SetGain(float gain);
  virtual void SetBalance(float pan);
  virtual void SetSurround(float depth);
  virtual void SetSpeed(float rate);
  // 1 while a sound plays on the channel (a paused one counts), else 0.
  virtual int32_t IsPlaying();
};

// A sound ready to play. The base clip is silent: starting it gives a new silent channel.
class TSoundClip : public TObject {
 public:
  // Plays on the given channel (null: a channel of its own) and returns the channel it
  // plays on, or null.
  virtual TAudioChannelRef Start(const TAudioChannelRef& channel);
  virtual TAudioChannelRef StartPaused(const TAudioChannelRef& channel);

  // A clip of the current backend made from a sample buffer, or from whatever
  // LoadSampleBuffer reads from the source; null when nothing could be loaded.
  static TSoundClipRef FromFile(const TSampleBufferRef& sample, int32_t flags);
  static TSoundClipRef FromFile(const std::string& source, int32_t flags);
  static TSoundClipRef FromFile(const TStreamRef& source, int32_t flags);
};

// Makes clips and channels. The base backend is the silent one.
class TAudioBackend : public TObject {
 public:
  virtual TSoundClipRef CreateSoundClip(const TSampleBufferRef& sample, int32_t flags);
  virtual TAudioChannelRef OpenChannel();
};

// The backend in use; silent from start-up until a real one replaces it.
extern TAudioBackendRef CurrentAudioBackend;

// Makes the backend current; null puts a new silent backend in its place.
void SetAudioBackend(TAudioBackendRef backend);

// Module start-up for the backend layer: makes the silent backend current.
void InitAudioBackend();

// The module-level functions. Every one accepts a null sound or channel: it then does
// nothing and answers null or 0.
TSoundClipRef LoadSoundFile(const std::string& source, int32_t flags);
TSoundClipRef LoadSoundFile(const TStreamRef& source, int32_t flags);
TSoundClipRef LoadSoundFile(const TSampleBufferRef& sample, int32_t flags);
TAudioChannelRef StartSound(const TSoundClipRef& sound, const TAudioChannelRef& channel = nullptr);
TAudioChannelRef StartSoundPaused(const TSoundClipRef& sound,
                                  const TAudioChannelRef& channel = nullptr);
TAudioChannelRef NewChannel();
void HaltChannel(const TAudioChannelRef& channel);
int32_t ChannelIsPlaying(const TAudioChannelRef& channel);
void SetChannelGain(const TAudioChannelRef& channel, float gain);
void SetChannelBalance(const TAudioChannelRef& channel, float pan);
void SetChannelSurround(const TAudioChannelRef& channel, float depth);
void SetChannelSpeed(const TAudioChannelRef& channel, float rate);
void HoldChannel(const TAudioChannelRef& channel);
void ContinueChannel(const TAudioChannelRef& channel);
