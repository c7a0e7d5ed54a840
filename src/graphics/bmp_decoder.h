// The BMP decoder.
#pragma once

#include "graphics/pixmap_decoder.h"

// Reads uncompressed Windows and OS/2 bitmaps: 1, 4 and 8-bit palettes, 16 bits (5-5-5 or
// bit fields), 24 bits and 32 bits (plain or bit fields), bottom-up or top-down. 32-bit
// pictures load as BGRA8888 (opaque when no pixel carries alpha), the rest as BGR888.
// Run-length compressed bitmaps are declined.
class TBmpDecoder : public TPixmapDecoder {
 public:
  TPixmapRef Decode(const TStreamRef& stream) override;
};
