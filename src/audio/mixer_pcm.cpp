// Making and freeing the mixer's pcmdata records.
#include "audio/mixer_pcm.h"

#include <cstring>

pcmdata* NewPcmData(int32_t length, int32_t bits, int32_t channels, int32_t hz, const void* frames,
                    bool loop) {
  if (channels != 1 && channels != 2) return nullptr;
  if (length < 0 || hz < 1 || hz > 1000000) return nullptr;
  // The reader knows two sample widths; anything but 8 is read as 16 bits, so the frames must
  // be sized for that too or the reader would run past them.
  bits = bits == 8 ? 8 : 16;
  const int32_t framebytes = channels * bits / 8;
  const int64_t databytes = int64_t(length) * framebytes;
  if (databytes + framebytes > INT32_MAX) return nullptr;

  auto* pcm = new pcmdata;
  pcm->hz = hz;
  pcm->channels = channels;
  pcm->bits = bits;
  pcm->length = length;
  pcm->framebytes = framebytes;
  pcm->databytes = int32_t(databytes);
  pcm->loop = loop ? 1 : 0;
  const size_t total = size_t(databytes) + size_t(framebytes);
  pcm->storage.reset(new int16_t[(total + 1) / 2]());
  pcm->data = reinterpret_cast<uint8_t*>(pcm->storage.get());
  pcm->writeat = pcm->data;
  // Unsigned 8-bit silence is 128, not 0.
  if (bits == 8) std::memset(pcm->data, 128, total);
  if (frames && length > 0) {
    std::memcpy(pcm->data, frames, size_t(databytes));
    pcm->written = length;
    // The write position wraps at the end of the frames.
    pcm->writeat = pcm->data;
    const uint8_t* guard_source =
        loop ? pcm->data : pcm->data + size_t(databytes) - size_t(framebytes);
    std::memcpy(pcm->data + databytes, guard_source, size_t(framebytes));
  }
  return pcm;
}

void FreePcmData(pcmdata* pcm) {
  delete pcm;
}
