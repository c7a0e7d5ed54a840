// Fuzzes LoadSampleBuffer over an in-memory stream: the WAV loader is asked first, then the Ogg
// Vorbis loader.
#include <cstddef>
#include <cstdint>

#include "audio/sample_loader.h"
#include "runtime/module_init.h"
#include "runtime/stream.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Only the loaders: the fuzzer must not open a sound device.
  InitRuntime();
  InitAudioLoaders();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TSampleBufferRef buffer =
      LoadSampleBuffer(TMemoryStream::Borrow(data, static_cast<int64_t>(size)));
  if (!buffer || buffer->length == 0) return 0;
  // The first and last frame the buffer claims must be there.
  const int64_t frameBytes = SampleFrameBytes(buffer->format);
  const int64_t last = (static_cast<int64_t>(buffer->length) - 1) * frameBytes;
  volatile uint8_t sink = buffer->samples[0] ^ buffer->samples[last + frameBytes - 1];
  (void)sink;
  return 0;
}
