// Voices, the mixer and the fixed-point mixing of voices into one fragment.
#include "audio/mixer.h"

#include <algorithm>
#include <bit>

static_assert(std::endian::native == std::endian::little,
              "the mixer reads 16-bit little-endian frames as native words");

namespace {

constexpr std::memory_order relaxed = std::memory_order_relaxed;

// Sounds begin this long after the call that started them, counted from that call.
constexpr int32_t StartDelayMs = 20;
// NOTE: steps are computed against 44100 itself, not against the device's rate.
constexpr int64_t OutputHz = 44100;

}  // namespace

void sound::setrate(int32_t value) {
  value = std::max(value, 0);
  targetrate.store(value, relaxed);
  if (status.load(relaxed) & VoicePaused) rate.store(value, relaxed);
}

void sound::setvolume(int16_t value) {
  targetvolume.store(value, relaxed);
  if (status.load(relaxed) & VoicePaused) volume.store(value, relaxed);
}

void sound::setpan(int16_t value) {
  targetpan.store(value, relaxed);
  if (status.load(relaxed) & VoicePaused) pan.store(value, relaxed);
}

void sound::setdepth(int16_t value) {
  targetdepth.store(value, relaxed);
}

int32_t sound::getrate(bool target) {
  return (target ? targetrate : rate).load(relaxed);
}
int16_t sound::getvolume(bool target) {
  return (target ? targetvolume : volume).load(relaxed);
}
int16_t sound::getpan(bool target) {
  return (target ? targetpan : pan).load(relaxed);
}
int16_t sound::getdepth(bool target) {
  return (target ? targetdepth : depth).load(relaxed);
}

void sound::ResetParameters(int32_t new_rate, int16_t new_volume, int16_t new_pan,
                            int16_t new_depth) {
  new_rate = std::max(new_rate, 0);
  rate.store(new_rate, relaxed);
  targetrate.store(new_rate, relaxed);
  volume.store(new_volume, relaxed);
  targetvolume.store(new_volume, relaxed);
  pan.store(new_pan, relaxed);
  targetpan.store(new_pan, relaxed);
  depth.store(new_depth, relaxed);
  targetdepth.store(new_depth, relaxed);
}

mixer::mixer(int32_t sample_count, TClock millisecond_clock)
    : accum(new int32_t[sample_count]()), count(sample_count), clock(millisecond_clock) {}

namespace {

enum class Layout { Mono8, Mono16, Stereo8, Stereo16 };

// The factors that pan p and depth d put on the left and right gains, all 4.12: a pan
// towards one side turns the other side down, and a negative depth inverts the right side.
struct TPanFactors {
  TPanFactors(int32_t p, int32_t d)
      : left(p > 0 ? 4096 - p : 4096), right(p < 0 ? 4096 + p : 4096), right_sign(d < 0 ? -1 : 1) {}
  int32_t left;
  int32_t right;
  int32_t right_sign;
};

// Left and right gains of volume g, 4.12. NOTE: a side that is not turned down gets
// (g * 4096) >> 12, which is g itself, so no side needs a branch of its own.
inline void Gains(int32_t g, const TPanFactors& f, int32_t& left, int32_t& right) {
  left = (g * f.left) >> 12;
  right = ((g * f.right) >> 12) * f.right_sign;
}

// The sample pair at a 32.32 position, linearly interpolated towards the next frame. The
// guard frame after the last frame makes the read one frame ahead always valid.
template <Layout L>
inline void ReadFrame(const uint8_t* data, uint64_t position, int32_t& left, int32_t& right) {
  const uint32_t i = uint32_t(position >> 32);
  if constexpr (L == Layout::Mono16) {
    const int16_t* x = reinterpret_cast<const int16_t*>(data);
    const int64_t w = int64_t((position >> 16) & 0xFFFF);
    const int32_t a = x[i];
    left = right = a + int32_t((int64_t(x[i + 1] - a) * w) >> 16);
  } else if constexpr (L == Layout::Mono8) {
    const int32_t w = int32_t((position >> 16) & 0xFFFF);
    const int32_t a = data[i];
    left = right = (((data[i + 1] - a) * w) >> 8) + a * 256 - 32768;
  } else if constexpr (L == Layout::Stereo16) {
    const int16_t* x = reinterpret_cast<const int16_t*>(data);
    const uint32_t j = i & ~1u;
    const int64_t w = int64_t((position >> 17) & 0xFFFF);
    const int32_t l = x[j];
    const int32_t r = x[j + 1];
    left = l + int32_t((int64_t(x[j + 2] - l) * w) >> 16);
    right = r + int32_t((int64_t(x[j + 3] - r) * w) >> 16);
  } else {
    const uint32_t j = i & ~1u;
    const int32_t w = int32_t((position >> 17) & 0xFFFF);
    const int32_t l = data[j];
    const int32_t r = data[j + 1];
    left = (((data[j + 2] - l) * w) >> 8) + l * 256 - 32768;
    right = (((data[j + 3] - r) * w) >> 8) + r * 256 - 32768;
  }
}

struct TMixParams {
  uint64_t position;
  // 32.32 step in samples per output frame, and its change per frame while ramping.
  int64_t step;
  int64_t step_delta;
  // Volume with 8 extra fraction bits, and its change per frame while ramping.
  int32_t volume;
  int32_t volume_delta;
  int32_t pan;
  int32_t depth;
  uint64_t bound;
  bool loop;
};

// Applies the end rule to a position that has just moved: false when a one-shot voice has
// reached its end.
inline bool EndRule(uint64_t& position, uint64_t bound, bool loop) {
  if (position < bound) return true;
  if (!loop) return false;
  position -= bound;
  // Only a rate far above any real one gets here.
  if (position >= bound) position %= bound;
  return true;
}

template <Layout L, bool Ramp>
int MixFrames(sound* voice, const uint8_t* data, int32_t* accum, int32_t frames, TMixParams m) {
  const TPanFactors pan(m.pan, m.depth);
  int32_t left = 0;
  int32_t right = 0;
  if (!Ramp) Gains(m.volume >> 8, pan, left, right);
  uint64_t position = m.position;
  int64_t step = m.step;
  int32_t volume = m.volume;
  for (int32_t k = 0; k < frames; ++k) {
    if (Ramp) Gains(volume >> 8, pan, left, right);
    int32_t s_left;
    int32_t s_right;
    ReadFrame<L>(data, position, s_left, s_right);
    accum[2 * k] += (left * s_left) >> 8;
    accum[2 * k + 1] += (right * s_right) >> 8;
    position += uint64_t(step);
    if (Ramp) {
      step += m.step_delta;
      volume += m.volume_delta;
    }
    if (!EndRule(position, m.bound, m.loop)) {
      voice->position = position;
      return 1;
    }
  }
  voice->position = position;
  return 0;
}

template <bool Ramp>
int MixLayout(sound* voice, const pcmdata* pcm, int32_t* accum, int32_t frames,
              const TMixParams& m) {
  const bool eight = pcm->bits == 8;
  if (pcm->channels == 2) {
    return eight ? MixFrames<Layout::Stereo8, Ramp>(voice, pcm->data, accum, frames, m)
                 : MixFrames<Layout::Stereo16, Ramp>(voice, pcm->data, accum, frames, m);
  }
  return eight ? MixFrames<Layout::Mono8, Ramp>(voice, pcm->data, accum, frames, m)
               : MixFrames<Layout::Mono16, Ramp>(voice, pcm->data, accum, frames, m);
}

}  // namespace

int MixVoice(sound* voice, int32_t* accum, int32_t n) {
  const int32_t status = voice->status.load(relaxed);
  if (status == VoiceStopped) return 1;
  if (status & VoicePaused) return -2;
  if (status == VoiceRecycle) return -1;
  const pcmdata* pcm = voice->pcm;
  if (!pcm) return 1;

  int32_t frames = n / 2;
  if (voice->delay >= frames) {
    voice->delay -= frames;
    return 0;
  }
  if (voice->delay > 0) {
    accum += 2 * voice->delay;
    frames -= voice->delay;
    voice->delay = 0;
  }

  TMixParams m;
  m.loop = (status & VoiceLoop) != 0;
  m.bound = uint64_t(uint32_t(pcm->length) * uint32_t(pcm->channels)) << 32;
  // An empty sound, or a one-shot that ended while it was paused, has nothing left to play.
  if (m.bound == 0) return 1;
  if (voice->position >= m.bound) {
    if (!m.loop) return 1;
    voice->position %= m.bound;
  }

  const int32_t rate0 = voice->rate.load(relaxed);
  const int32_t rate1 = voice->targetrate.load(relaxed);
  const int64_t step0 = int64_t(rate0) * pcm->hz / OutputHz;
  const int64_t step1 = int64_t(rate1) * pcm->hz / OutputHz;
  const int32_t cv = voice->volume.load(relaxed);
  const int32_t tv = voice->targetvolume.load(relaxed);
  m.pan = std::clamp<int32_t>(voice->targetpan.load(relaxed), -4096, 4096);
  m.depth = voice->targetdepth.load(relaxed);
  m.position = voice->position;
  m.step = (step0 * pcm->channels) << 16;

  if (cv == tv && step0 == step1) {
    if (tv == 0) {
      // A silent voice only moves on.
      uint64_t position = m.position + uint64_t(m.step) * uint64_t(frames);
      const bool playing = EndRule(position, m.bound, m.loop);
      voice->position = position;
      return playing ? 0 : 1;
    }
    m.volume = tv << 8;
    m.step_delta = 0;
    m.volume_delta = 0;
    return MixLayout<false>(voice, pcm, accum, frames, m);
  }

  // A ramp over this pass, from the current values to the targets read above, which become
  // the current values of the next pass.
  voice->volume.store(int16_t(tv), relaxed);
  voice->rate.store(rate1, relaxed);
  m.volume = cv << 8;
  m.volume_delta = ((tv << 8) - (cv << 8)) / frames;
  m.step_delta = (((step1 * pcm->channels) << 16) - m.step) / frames;
  return MixLayout<true>(voice, pcm, accum, frames, m);
}

namespace {

// Hands a finished voice back to the game thread. Its reference to the sound goes at once, so
// the count comes back even while the game thread leaves voices waiting in the ring. False when
// the recycle ring is full: the voice then stays in the active list, marked for recycling, and
// is tried again at the next pass.
bool Recycle(mixer* m, sound* voice) {
  if (voice->holdsref) {
    voice->holdsref = false;
    if (voice->pcm->refs.fetch_sub(1, std::memory_order_acq_rel) != 1) voice->pcm = nullptr;
  }
  voice->next = nullptr;
  return m->recyclequeue.Push(voice);
}

}  // namespace

void MixFragment(mixer* m, int16_t* out, int32_t n) {
  n = std::min(n, m->count);
  int32_t* accum = m->accum.get();

  if (!m->startqueue.Empty()) {
    const int32_t now = m->clock();
    while (sound* voice = m->startqueue.Pop()) {
      voice->next = m->active;
      m->active = voice;
      // Unsigned difference: the clock wraps. A start stamped in the future (two clocks out of
      // step) waits no longer than the full delay.
      int32_t wait = int32_t(uint32_t(voice->starttime) + uint32_t(StartDelayMs) - uint32_t(now));
      wait = std::clamp(wait, 0, StartDelayMs);
      voice->delay = wait * 44100 / 1000;
    }
  }

  sound** link = &m->active;
  while (sound* voice = *link) {
    const int result = MixVoice(voice, accum, n);
    if (result == -1) {
      sound* following = voice->next;
      if (Recycle(m, voice)) {
        *link = following;
        continue;
      }
      voice->next = following;
    } else if (result == 1) {
      int32_t status = voice->status.load(relaxed);
      // A voice paused as it ended keeps its state until it is resumed; any other change the
      // game thread makes in between is seen at the next pass.
      if (!(status & VoicePaused)) {
        const int32_t stopped = voice->release.load(relaxed) ? VoiceRecycle : VoiceStopped;
        voice->status.compare_exchange_strong(status, stopped, relaxed);
      }
    }
    link = &voice->next;
  }

  for (int32_t i = 0; i < n; ++i) {
    out[i] = int16_t(std::clamp(accum[i] >> 4, -32768, 32767));
    accum[i] = 0;
  }
}
