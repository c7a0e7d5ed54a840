// The mixing core: playback parameters, voices, the mixer with its start and recycle rings, and
// the fixed-point mixing of one fragment. Everything here below MixFragment runs on the mixing
// thread and allocates, locks and throws nothing.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "audio/mixer_pcm.h"
#include "audio/mixer_ring.h"

// Anything with playback parameters. Units: rate 16.16 (0x10000 plays at the sound's own
// speed), volume 4.12 (4096 = 1.0), pan 4.12 (-4096 left only, 0 centre, 4096 right only),
// depth 4.12 (only its sign counts: below 0 inverts the right side).
class output {
 public:
  virtual ~output() = default;
  virtual void setrate(int32_t rate) = 0;
  virtual void setvolume(int16_t volume) = 0;
  virtual void setpan(int16_t pan) = 0;
  virtual void setdepth(int16_t depth) = 0;
  // The target value when target is true, else the current one.
  virtual int32_t getrate(bool target) = 0;
  virtual int16_t getvolume(bool target) = 0;
  virtual int16_t getpan(bool target) = 0;
  virtual int16_t getdepth(bool target) = 0;
};

// Voice status: a play mode, plus the paused bit.
constexpr int32_t VoiceRecycle = 0;
constexpr int32_t VoiceStopped = 1;
constexpr int32_t VoiceOnce = 2;
constexpr int32_t VoiceLoop = 4;
constexpr int32_t VoicePaused = 0x10;

class mixer;

// One playing voice. The game thread owns a voice until it hands it over through the start
// ring and again after it comes back through the recycle ring; in between only the words
// marked shared are touched by the game thread, each a single atomic word that the mixer reads
// at its next pass.
class sound : public output {
 public:
  explicit sound(mixer* owner) : parent(owner) {}

  // Each writes the target; rate, volume and pan also the current value while the voice is
  // paused, so that it resumes without a ramp. Negative rates are taken as 0: the mixer does
  // not play backwards.
  void setrate(int32_t rate) override;
  void setvolume(int16_t volume) override;
  void setpan(int16_t pan) override;
  void setdepth(int16_t depth) override;
  int32_t getrate(bool target) override;
  int16_t getvolume(bool target) override;
  int16_t getpan(bool target) override;
  int16_t getdepth(bool target) override;

  // Puts every parameter, current and target, to the given values.
  void ResetParameters(int32_t rate, int16_t volume, int16_t pan, int16_t depth);

  mixer* parent;
  // Shared.
  std::atomic<int32_t> status{VoiceStopped};
  // Game thread only.
  int32_t handle = 0;
  // Shared.
  std::atomic<int32_t> release{0};
  // Mixing thread only: the link in the active list.
  sound* next = nullptr;
  // What it plays. While holdsref is set the voice counts as one of pcm's references; the
  // mixer drops that reference when the voice is to be recycled. A voice that comes back with
  // pcm still set but holdsref clear held the last reference: freeing could take the
  // allocator's lock, so the mixer leaves it to the game thread.
  pcmdata* pcm = nullptr;
  bool holdsref = false;
  // 32.32 fixed point, in samples (frames x channels). Mixing thread after hand-over.
  uint64_t position = 0;
  // Shared.
  std::atomic<int32_t> rate{0x10000}, targetrate{0x10000};
  std::atomic<int16_t> volume{4096}, targetvolume{4096};
  std::atomic<int16_t> pan{0}, targetpan{0};
  std::atomic<int16_t> depth{0}, targetdepth{0};
  // Clock reading (ms) when the voice was started; set before hand-over.
  int32_t starttime = 0;
  // Output frames still to wait before it sounds. Mixing thread only.
  int32_t delay = 0;
  // Game thread only: the voice is in the mixer's hands (start ring, active list or recycle
  // ring) rather than idle on the game side.
  bool queued = false;
};

// Turns the voices in its active list into one stream of interleaved 16-bit stereo samples.
class mixer : public output {
 public:
  using TClock = int32_t (*)();

  // count: samples (not frames) per mixing pass. clock: the millisecond clock that start
  // delays are counted on; it must be the one the game thread stamps voices with.
  mixer(int32_t count, TClock clock);

  // The mixer's own parameters are fixed: the setters do nothing, the getters answer
  // 0x10000, 4096, 0 and 0.
  void setrate(int32_t rate) override {}
  void setvolume(int16_t volume) override {}
  void setpan(int16_t pan) override {}
  void setdepth(int16_t depth) override {}
  int32_t getrate(bool target) override { return 0x10000; }
  int16_t getvolume(bool target) override { return 4096; }
  int16_t getpan(bool target) override { return 0; }
  int16_t getdepth(bool target) override { return 0; }

  std::unique_ptr<int32_t[]> accum;
  int32_t count;
  int32_t rate = 44100;
  int32_t channels = 2;
  sound* active = nullptr;
  // Filled by the game thread, emptied by the mixing thread.
  TVoiceRing<sound> startqueue;
  // Filled by the mixing thread, emptied by the game thread.
  TVoiceRing<sound> recyclequeue;
  TClock clock;
};

// Mixes one voice into n accumulators (n / 2 stereo frames). Returns 0 while it plays on, 1
// when it has stopped (or just reached its end), -2 while paused and -1 when it is to be
// recycled.
int MixVoice(sound* voice, int32_t* accum, int32_t n);

// Picks up the voices waiting in the start ring, mixes every active voice and writes n
// saturated samples to out (n at most the mixer's count). Voices that finish are recycled
// through the recycle ring.
void MixFragment(mixer* m, int16_t* out, int32_t n);
