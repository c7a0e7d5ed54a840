// The SDL wave output adapter: SDL's audio device and callback over the mixer's looping
// buffer, and the mixing thread.
#include "audio/sdl_wave_output.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "runtime/process.h"

namespace {

void SDLCALL AudioCallback(void* self, Uint8* stream, int length) {
  static_cast<TSdlWaveOutput*>(self)->Fill(stream, length);
}

}  // namespace

TSdlWaveOutput::~TSdlWaveOutput() {
  Close();
}

bool TSdlWaveOutput::Open(const uint8_t* buffer, int32_t bytes) {
  if (device_ != 0) return false;
  // SDL would otherwise take over SIGINT and SIGTERM from the process's own handlers.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  SDL_AudioSpec want{};
  want.freq = 44100;
  want.format = AUDIO_S16LSB;
  want.channels = 2;
  // One mixer fragment: 512 frames, 11.6 ms.
  want.samples = 512;
  want.callback = AudioCallback;
  want.userdata = this;
  SDL_AudioSpec have{};
  // No changes allowed: SDL converts if the hardware wants another format.
  device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (device_ == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  buffer_ = buffer;
  bytes_ = bytes;
  played_.store(0);
  published_.store(0);
  playing_.store(false);
  return true;
}

bool TSdlWaveOutput::Play() {
  if (device_ == 0) return false;
  playing_.store(true, std::memory_order_release);
  SDL_PauseAudioDevice(device_, 0);
  return true;
}

int64_t TSdlWaveOutput::Position() {
  return device_ != 0 ? played_.load(std::memory_order_acquire) : -1;
}

void TSdlWaveOutput::Publish(int64_t bytes) {
  published_.store(bytes, std::memory_order_release);
}

void TSdlWaveOutput::Reset() {
  if (device_ == 0) return;
  // The lock waits for a running callback, so none reads the buffer after this returns.
  SDL_LockAudioDevice(device_);
  playing_.store(false, std::memory_order_relaxed);
  played_.store(0, std::memory_order_relaxed);
  published_.store(0, std::memory_order_relaxed);
  SDL_UnlockAudioDevice(device_);
}

void TSdlWaveOutput::Close() {
  StopTicks();
  if (device_ == 0) return;
  SDL_CloseAudioDevice(device_);
  device_ = 0;
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void TSdlWaveOutput::Fill(uint8_t* stream, int32_t length) {
  if (!playing_.load(std::memory_order_acquire)) {
    std::memset(stream, 0, size_t(length));
    return;
  }
  const int64_t position = played_.load(std::memory_order_relaxed);
  // Only what the mixer has published may be read; the rest of the request is an underrun.
  const int64_t ready =
      std::clamp<int64_t>(published_.load(std::memory_order_acquire) - position, 0, length);
  int64_t done = 0;
  while (done < ready) {
    const int64_t at = (position + done) % bytes_;
    const int64_t chunk = std::min<int64_t>(ready - done, bytes_ - at);
    std::memcpy(stream + done, buffer_ + at, size_t(chunk));
    done += chunk;
  }
  std::memset(stream + done, 0, size_t(length - done));
  // Release: the mixer may overwrite what was read here once it sees the new position.
  played_.store(position + length, std::memory_order_release);
}

bool TSdlWaveOutput::StartTicks(std::function<void()> tick) {
  StopTicks();
  ticking_.store(true);
  try {
    ticker_ = std::thread([this, tick = std::move(tick)] {
      // A stack overflow while mixing is reported like one on the main thread.
      TThreadSignalStack signal_stack;
      using clock = std::chrono::steady_clock;
      constexpr auto period = std::chrono::milliseconds(5);
      auto next = clock::now();
      while (ticking_.load(std::memory_order_acquire)) {
        next += period;
        std::this_thread::sleep_until(next);
        tick();
        // After a long stall (a debugger, a suspended process) go on from now instead of
        // firing the missed ticks in a burst.
        const auto now = clock::now();
        if (now - next > 20 * period) next = now;
      }
    });
  } catch (const std::system_error&) {
    ticking_.store(false);
    return false;
  }
  return true;
}

void TSdlWaveOutput::StopTicks() {
  ticking_.store(false, std::memory_order_release);
  if (ticker_.joinable()) ticker_.join();
}
