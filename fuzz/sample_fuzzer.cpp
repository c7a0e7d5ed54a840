// Fuzzes LoadSampleBuffer over an in-memory stream: the WAV loader is asked first, then the Ogg
// Vorbis loader. Every Ogg page carries a checksum, so nearly every mutation of one is turned
// away by libogg before our loader sees it: an input holding pages is therefore loaded twice,
// as it is and with every page's checksum made right.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "audio/sample_loader.h"
#include "runtime/module_init.h"
#include "runtime/stream.h"

namespace {

uint32_t OggCrc(const uint8_t* data, size_t n) {
  static uint32_t table[256];
  if (!table[1]) {
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t r = i << 24;
      for (int k = 0; k < 8; ++k) r = r & 0x80000000u ? r << 1 ^ 0x04C11DB7u : r << 1;
      table[i] = r;
    }
  }
  uint32_t crc = 0;
  for (size_t i = 0; i < n; ++i) crc = crc << 8 ^ table[(crc >> 24 ^ data[i]) & 0xFF];
  return crc;
}

// Rewrites the checksum of every whole page found; false when none needed it.
bool FixOggChecksums(std::vector<uint8_t>& b) {
  bool changed = false;
  for (size_t at = 0; at + 27 <= b.size(); ++at) {
    if (std::memcmp(&b[at], "OggS", 4) != 0) continue;
    const size_t segments = b[at + 26];
    if (at + 27 + segments > b.size()) break;
    size_t length = 27 + segments;
    for (size_t i = 0; i < segments; ++i) length += b[at + 27 + i];
    if (at + length > b.size()) break;
    uint8_t old[4];
    std::memcpy(old, &b[at + 22], 4);
    std::memset(&b[at + 22], 0, 4);
    const uint32_t crc = OggCrc(&b[at], length);
    for (int i = 0; i < 4; ++i) b[at + 22 + i] = static_cast<uint8_t>(crc >> (8 * i));
    changed |= std::memcmp(old, &b[at + 22], 4) != 0;
    at += length - 1;
  }
  return changed;
}

void Load(const uint8_t* data, size_t size) {
  TSampleBufferRef buffer =
      LoadSampleBuffer(TMemoryStream::Borrow(data, static_cast<int64_t>(size)));
  if (!buffer || buffer->length == 0) return;
  // The first and last frame the buffer claims must be there.
  const int64_t frameBytes = SampleFrameBytes(buffer->format);
  const int64_t last = (static_cast<int64_t>(buffer->length) - 1) * frameBytes;
  volatile uint8_t sink = buffer->samples[0] ^ buffer->samples[last + frameBytes - 1];
  (void)sink;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Only the loaders: the fuzzer must not open a sound device.
  InitRuntime();
  InitAudioLoaders();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Load(data, size);
  std::vector<uint8_t> fixed(data, data + size);
  if (FixOggChecksums(fixed)) Load(fixed.data(), fixed.size());
  return 0;
}
