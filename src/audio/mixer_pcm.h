// One loaded sound as the mixer reads it: interleaved PCM frames plus a guard frame, shared by
// every voice that plays it through an atomic reference count.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

struct pcmdata {
  int32_t hz = 0;
  int32_t channels = 0;
  // 8: unsigned bytes; 16: signed little-endian words.
  int32_t bits = 0;
  int32_t length = 0;
  int32_t framebytes = 0;
  int32_t databytes = 0;
  int32_t written = 0;
  // Changed by the game thread on play and by the mixing thread on recycle.
  std::atomic<int32_t> refs{1};
  int32_t loop = 0;
  // databytes + framebytes bytes: the frames, then one guard frame that lets interpolation
  // read one frame past the last without a bounds check.
  uint8_t* data = nullptr;
  uint8_t* writeat = nullptr;

  // The storage behind data, held as 16-bit words so that the mixer may read them as such.
  std::unique_ptr<int16_t[]> storage;
};

// A new pcmdata with one reference, or null when the layout cannot be played: channels other
// than 1 or 2, a negative length, a rate outside 1 to 1000000 or a size beyond 31 bits. Bits
// other than 8 are taken as 16. frames (may be null: silence) holds length frames in that
// layout; the guard frame repeats the first frame of a loop, else the last frame.
pcmdata* NewPcmData(int32_t length, int32_t bits, int32_t channels, int32_t hz, const void* frames,
                    bool loop);

// Frees the record and its frames, whatever the count says.
void FreePcmData(pcmdata* pcm);
