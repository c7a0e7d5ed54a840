// Fuzzes LoadPixmapFrom over an in-memory stream: every registered decoder (TGA, PNG, JPEG, BMP)
// is asked in turn, so one input reaches whichever decoder accepts it.
#include <cstddef>
#include <cstdint>

#include "graphics/pixmap_decoder.h"
#include "runtime/module_init.h"
#include "runtime/stream.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  InitRuntime();
  InitPixmaps();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TPixmapRef p = LoadPixmapFrom(TMemoryStream::Borrow(data, static_cast<int64_t>(size)));
  if (!p) return 0;
  // Every row the decoder claims to have filled is read, so a pixmap smaller than its header
  // says shows up as an out-of-bounds read here rather than later in a game.
  const int32_t rowBytes = p->width * BytesPerPixel[p->format];
  uint32_t sum = 0;
  for (int32_t y = 0; y < p->height; ++y) {
    const uint8_t* row = p->PixelAddress(0, y);
    sum += row[0] + row[rowBytes - 1];
  }
  sum += p->GetPixelARGB(p->width - 1, p->height - 1);
  // Keeps the reads from being optimised away.
  volatile uint32_t sink = sum;
  (void)sink;
  return 0;
}
