// The mixer service: handle table, voice hand-over to the mixing thread and back, and the
// operations of the mixer backend.
#include "audio/mixer_service.h"

#include <array>
#include <chrono>
#include <memory>
#include <vector>

#include "audio/audio_device.h"
#include "audio/sdl_wave_output.h"
#include "system/system_driver.h"

namespace {

constexpr std::memory_order relaxed = std::memory_order_relaxed;
constexpr int32_t Slots = 4096;
constexpr int32_t SlotMask = Slots - 1;
constexpr uint32_t FirstGeneration = 4096;

struct THandleTable {
  std::array<sound*, Slots> voices{};
  // links[0] is the first free slot, links[i] the free slot after i; 0 ends the list.
  std::array<int32_t, Slots> links{};
  std::array<uint32_t, Slots> generations{};
  // Whether a slot is handed out, and whether a caller of NewHandle still holds it. The free
  // list cannot tell an allocated slot from the last free one: both have link 0.
  std::array<bool, Slots> allocated{};
  std::array<bool, Slots> held{};
};

struct TMixerService {
  std::unique_ptr<waveoutdevice> device;
  THandleTable table;
  // Every voice ever made, so that closing can free them wherever they are.
  std::vector<std::unique_ptr<sound>> voices;
  // Idle voices that never went to the mixer, ready for reuse.
  std::vector<sound*> spare;
};

std::unique_ptr<TMixerService> service;
std::atomic<mixer::TClock> clock_override{nullptr};

int32_t SteadyMilliseconds() {
  using namespace std::chrono;
  return int32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool IsCurrent(int32_t handle) {
  if (!service || handle == 0) return false;
  const int32_t slot = handle & SlotMask;
  const THandleTable& t = service->table;
  return slot != 0 && t.allocated[slot] &&
         t.generations[slot] == (uint32_t(handle) & ~uint32_t(SlotMask));
}

void TakeBack(sound* voice);

int32_t AllocateSlot(bool held) {
  THandleTable& t = service->table;
  if (t.links[0] == 0) {
    // Slots of finished voices come free only when the voices are taken back; with none free,
    // take back every voice waiting in the recycle ring now rather than at the next plays.
    while (sound* voice = service->device->mixer->recyclequeue.Pop()) {
      TakeBack(voice);
      service->spare.push_back(voice);
    }
  }
  const int32_t slot = t.links[0];
  if (slot == 0) return 0;
  t.links[0] = t.links[slot];
  t.links[slot] = 0;
  t.generations[slot] += FirstGeneration;
  t.allocated[slot] = true;
  t.held[slot] = held;
  t.voices[slot] = nullptr;
  return int32_t(uint32_t(slot) | t.generations[slot]);
}

void FreeSlot(int32_t slot) {
  THandleTable& t = service->table;
  t.allocated[slot] = false;
  t.held[slot] = false;
  t.voices[slot] = nullptr;
  t.links[slot] = t.links[0];
  t.links[0] = slot;
}

// release = 1 and status 1, unless the mixer has already marked the voice for recycling.
void StopVoice(sound* voice) {
  voice->release.store(1, relaxed);
  int32_t status = voice->status.load(relaxed);
  while (status != VoiceRecycle &&
         !voice->status.compare_exchange_weak(status, VoiceStopped, relaxed)) {
  }
}

struct TParameters {
  int32_t rate = 0x10000;
  int16_t volume = 4096;
  int16_t pan = 0;
  int16_t depth = 0;
};

TParameters TargetsOf(const sound* source) {
  TParameters p;
  if (source) {
    p.rate = source->targetrate.load(relaxed);
    p.volume = source->targetvolume.load(relaxed);
    p.pan = source->targetpan.load(relaxed);
    p.depth = source->targetdepth.load(relaxed);
  }
  return p;
}

// A voice from the game side: a spare one, else a new one.
sound* GameSideVoice() {
  if (!service->spare.empty()) {
    sound* voice = service->spare.back();
    service->spare.pop_back();
    return voice;
  }
  service->voices.push_back(std::make_unique<sound>(service->device->mixer.get()));
  return service->voices.back().get();
}

// A new voice's state: status 1, no handle, not released, parameters current and target.
void Prepare(sound* voice, const TParameters& p) {
  voice->status.store(VoiceStopped, relaxed);
  voice->release.store(0, relaxed);
  voice->handle = 0;
  voice->next = nullptr;
  voice->pcm = nullptr;
  voice->holdsref = false;
  voice->position = 0;
  voice->delay = 0;
  voice->queued = false;
  voice->ResetParameters(p.rate, p.volume, p.pan, p.depth);
}

// A voice that comes back from the mixer: its orphaned sound is freed, and the slot of the
// handle it carried, if it is still the slot's voice, is emptied, and freed when nobody holds it.
void TakeBack(sound* voice) {
  if (voice->pcm) {
    FreePcmData(voice->pcm);
    voice->pcm = nullptr;
  }
  voice->holdsref = false;
  const int32_t handle = voice->handle;
  voice->handle = 0;
  voice->queued = false;
  if (!IsCurrent(handle)) return;
  THandleTable& t = service->table;
  const int32_t slot = handle & SlotMask;
  if (t.voices[slot] != voice) return;
  if (!t.held[slot]) {
    FreeSlot(slot);
    return;
  }
  // The channel is still held: an idle voice keeps its parameters for its next sound.
  sound* idle = GameSideVoice();
  Prepare(idle, TargetsOf(voice));
  t.voices[slot] = idle;
}

// A voice for a new sound, with the source's target parameters (or the defaults). Voices the
// mixer has handed back are reused first, so the mixing thread never allocates.
sound* TakeVoice(sound* source) {
  // Read first: the source may be the very voice taken back.
  const TParameters p = TargetsOf(source);
  sound* voice = service->device->mixer->recyclequeue.Pop();
  if (voice) {
    TakeBack(voice);
  } else {
    voice = GameSideVoice();
  }
  Prepare(voice, p);
  return voice;
}

// The voice a handle names, made idle on first use; null for a handle that does not resolve.
sound* Resolve(int32_t handle) {
  if (!IsCurrent(handle)) return nullptr;
  THandleTable& t = service->table;
  const int32_t slot = handle & SlotMask;
  if (!t.voices[slot]) t.voices[slot] = TakeVoice(nullptr);
  return t.voices[slot];
}

}  // namespace

int32_t OpenMixer() {
  return OpenMixer(std::make_shared<TSdlWaveOutput>());
}

int32_t OpenMixer(TWaveOutputDeviceRef output) {
  if (service) return 0;
  auto fresh = std::make_unique<TMixerService>();
  fresh->device = std::make_unique<waveoutdevice>(std::move(output), &MixerClock);
  if (fresh->device->open() != 0) {
    fresh->device->close();
    return -1;
  }
  THandleTable& t = fresh->table;
  for (int32_t i = 0; i < Slots - 1; ++i) t.links[i] = i + 1;
  t.links[Slots - 1] = 0;
  t.generations.fill(FirstGeneration);
  service = std::move(fresh);
  return 0;
}

void CloseMixer() {
  if (!service) return;
  service->device->close();
  // Nothing mixes any more: every voice, wherever it is, gives up its sound.
  for (auto& voice : service->voices) {
    if (!voice->pcm) continue;
    if (voice->holdsref) {
      ReleasePcm(voice->pcm);
    } else {
      FreePcmData(voice->pcm);  // the last reference, dropped by the mixer
    }
    voice->pcm = nullptr;
    voice->holdsref = false;
  }
  service.reset();
}

bool MixerIsOpen() {
  return service != nullptr;
}

int32_t NewHandle() {
  return service ? AllocateSlot(true) : 0;
}

void ReleaseHandle(int32_t handle) {
  if (!IsCurrent(handle)) return;
  THandleTable& t = service->table;
  const int32_t slot = handle & SlotMask;
  if (!t.held[slot]) return;
  t.held[slot] = false;
  sound* voice = t.voices[slot];
  if (voice && voice->queued) {
    // The mixer has it: once it stops it is recycled, and its return frees the slot. A loop or
    // a paused sound would never stop, and nothing can reach it any more: it stops now.
    const int32_t status = voice->status.load(relaxed);
    if (status & (VoiceLoop | VoicePaused)) {
      StopVoice(voice);
    } else {
      voice->release.store(1, relaxed);
    }
    return;
  }
  if (voice) service->spare.push_back(voice);
  FreeSlot(slot);
}

int32_t PlayPcm(pcmdata* pcm, int32_t paused, int32_t handle) {
  if (!service || !pcm) return handle;
  mixer* m = service->device->mixer.get();
  if (m->startqueue.Full()) return 0;

  THandleTable& t = service->table;
  // A handle of a past generation names no channel any more: the sound plays as a temporary.
  const bool temporary = !IsCurrent(handle);
  sound* old = nullptr;
  int32_t h;
  if (temporary) {
    h = AllocateSlot(false);
  } else {
    h = handle;
    // A temporary handle played on again names a channel from now on: the channel object that
    // carries it holds it, so dropping that object stops a loop and frees the slot, as for a
    // handle from NewHandle. Left unheld, the new voice would never be released.
    t.held[h & SlotMask] = true;
    old = Resolve(h);
    // Detached first, so that taking a voice back cannot free this slot under us.
    t.voices[h & SlotMask] = nullptr;
  }

  sound* voice = TakeVoice(old);
  if (old && old != voice) {
    StopVoice(old);
    if (!old->queued) service->spare.push_back(old);
  }
  voice->status.store((pcm->loop ? VoiceLoop : VoiceOnce) | (paused ? VoicePaused : 0), relaxed);
  pcm->refs.fetch_add(1, relaxed);
  voice->pcm = pcm;
  voice->holdsref = true;
  voice->position = 0;
  voice->starttime = MixerClock();
  voice->handle = h;
  voice->release.store(temporary ? 1 : 0, relaxed);
  voice->queued = true;
  if (h != 0) t.voices[h & SlotMask] = voice;
  m->startqueue.Push(voice);
  return h;
}

void StopHandle(int32_t handle) {
  if (sound* voice = Resolve(handle)) StopVoice(voice);
}

void PauseHandle(int32_t handle, int32_t paused) {
  sound* voice = Resolve(handle);
  if (!voice) return;
  int32_t status = voice->status.load(relaxed);
  // A voice marked for recycling must stay so, or it would never be recycled.
  while (status != VoiceRecycle) {
    const int32_t changed = paused ? (status | VoicePaused) : (status & ~VoicePaused);
    if (voice->status.compare_exchange_weak(status, changed, relaxed)) break;
  }
}

void SetHandleVolume(int32_t handle, int16_t volume) {
  if (sound* voice = Resolve(handle)) voice->setvolume(volume);
}

void SetHandlePan(int32_t handle, int16_t pan) {
  if (sound* voice = Resolve(handle)) voice->setpan(pan);
}

void SetHandleDepth(int32_t handle, int16_t depth) {
  if (sound* voice = Resolve(handle)) voice->setdepth(depth);
}

void SetHandleRate(int32_t handle, int32_t rate) {
  if (sound* voice = Resolve(handle)) voice->setrate(rate);
}

int32_t HandleStatus(int32_t handle) {
  sound* voice = Resolve(handle);
  return voice ? voice->status.load(relaxed) : 0;
}

pcmdata* CreatePcm(int32_t length, int32_t bits, int32_t channels, int32_t hz, const void* frames,
                   int32_t loop) {
  if (!service) return nullptr;
  return NewPcmData(length, bits, channels, hz, frames, loop != 0);
}

void ReleasePcm(pcmdata* pcm) {
  if (pcm && pcm->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) FreePcmData(pcm);
}

void SetMixerClock(mixer::TClock clock) {
  clock_override.store(clock);
}

int32_t MixerClock() {
  if (mixer::TClock clock = clock_override.load(relaxed)) return clock();
  return CurrentSystemDriver() ? Milliseconds() : SteadyMilliseconds();
}

int32_t MixerVoiceCount() {
  return service ? int32_t(service->voices.size()) : 0;
}

waveoutdevice* MixerDevice() {
  return service ? service->device.get() : nullptr;
}
