// MixFragment with 1 to 64 playing voices, against SDL2's own mixing primitive adding the same
// number of 16-bit 44100 Hz stereo streams into one fragment.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "audio/mixer.h"
#include "audio/mixer_pcm.h"

namespace {

constexpr int32_t FragmentSamples = 1024;
constexpr int32_t FragmentFrames = FragmentSamples / 2;
constexpr double FragmentSeconds = double(FragmentFrames) / 44100.0;

int32_t FixedClock() {
  return 1000;
}

// One second of a chord, so that interpolation reads changing values.
std::vector<int16_t> Tone(int32_t hz, int32_t channels) {
  std::vector<int16_t> samples(size_t(hz) * channels);
  for (int32_t i = 0; i < hz; ++i) {
    const double t = double(i) / hz;
    const double v = 6000 * std::sin(2 * M_PI * 220 * t) + 3000 * std::sin(2 * M_PI * 331 * t);
    for (int32_t c = 0; c < channels; ++c) samples[size_t(i) * channels + c] = int16_t(v);
  }
  return samples;
}

void Report(benchmark::State& state, int64_t voices) {
  const double frames = FragmentFrames;
  state.counters["per_frame"] = benchmark::Counter(
      frames, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["per_voice_frame"] =
      benchmark::Counter(frames * double(voices), benchmark::Counter::kIsIterationInvariantRate |
                                                      benchmark::Counter::kInvert);
  // Percent of one core the mixing takes in real time (CPU seconds per 100 s of sound).
  state.counters["core_pct"] =
      benchmark::Counter(FragmentSeconds / 100, benchmark::Counter::kIsIterationInvariantRate |
                                                    benchmark::Counter::kInvert);
}

// Arguments: voices, stereo (0: mono 22050 Hz, 1: stereo 44100 Hz), ramp (0: steady, 1: every
// pass ramps volume and rate).
void BM_MixFragment(benchmark::State& state) {
  const int32_t voices = int32_t(state.range(0));
  const bool stereo = state.range(1) != 0;
  const bool ramp = state.range(2) != 0;
  const int32_t hz = stereo ? 44100 : 22050;
  const int32_t channels = stereo ? 2 : 1;
  const std::vector<int16_t> tone = Tone(hz, channels);
  pcmdata* pcm = NewPcmData(hz, 16, channels, hz, tone.data(), true);

  mixer m(FragmentSamples, &FixedClock);
  std::vector<std::unique_ptr<sound>> pool;
  for (int32_t i = 0; i < voices; ++i) {
    auto voice = std::make_unique<sound>(&m);
    voice->pcm = pcm;
    voice->status = VoiceLoop;
    voice->starttime = FixedClock() - 20;
    voice->position = uint64_t(i * 331 % hz) * channels << 32;
    voice->setpan(int16_t((i * 512) % 8192 - 4096));
    m.startqueue.Push(voice.get());
    pool.push_back(std::move(voice));
  }
  std::vector<int16_t> out(FragmentSamples);
  bool up = false;
  for (auto _ : state) {
    if (ramp) {
      up = !up;
      for (auto& voice : pool) {
        voice->setvolume(up ? 4096 : 2048);
        voice->setrate(up ? 0x10000 : 0x10800);
      }
    }
    MixFragment(&m, out.data(), FragmentSamples);
    benchmark::DoNotOptimize(out.data());
  }
  Report(state, voices);
  FreePcmData(pcm);
}

// The peer: SDL_MixAudioFormat adding voices streams that are already 44100 Hz 16-bit stereo.
void BM_SdlMixAudioFormat(benchmark::State& state) {
  const int32_t voices = int32_t(state.range(0));
  const std::vector<int16_t> tone = Tone(44100, 2);
  std::vector<int16_t> out(FragmentSamples);
  std::vector<size_t> offsets(voices);
  for (int32_t i = 0; i < voices; ++i) offsets[i] = size_t(i) * 2000;
  const Uint32 bytes = FragmentSamples * sizeof(int16_t);
  for (auto _ : state) {
    SDL_memset(out.data(), 0, bytes);
    for (int32_t i = 0; i < voices; ++i) {
      size_t& at = offsets[i];
      if (at + FragmentSamples > tone.size()) at = 0;
      SDL_MixAudioFormat(reinterpret_cast<Uint8*>(out.data()),
                         reinterpret_cast<const Uint8*>(tone.data() + at), AUDIO_S16LSB, bytes,
                         SDL_MIX_MAXVOLUME / 2);
      at += FragmentSamples;
    }
    benchmark::DoNotOptimize(out.data());
  }
  Report(state, voices);
}

void VoiceArgs(benchmark::internal::Benchmark* b) {
  for (int64_t stereo : {0, 1}) {
    for (int64_t ramp : {0, 1}) {
      for (int64_t voices : {1, 8, 32, 64}) b->Args({voices, stereo, ramp});
    }
  }
  b->ArgNames({"voices", "stereo", "ramp"});
}

BENCHMARK(BM_MixFragment)->Apply(VoiceArgs);
BENCHMARK(BM_SdlMixAudioFormat)->ArgName("voices")->Arg(1)->Arg(8)->Arg(32)->Arg(64);

}  // namespace

BENCHMARK_MAIN();
