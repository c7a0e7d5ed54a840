// The TGA decoder.
#pragma once

#include "graphics/pixmap_decoder.h"

// Reads TGA types 2 (true colour) and 10 (run-length true colour) at 15, 16, 24 or 32 bits,
// and type 1 (8-bit indices into a colour map of 15 to 32-bit entries), sides 1 to 4096, in
// either row order. 32-bit pictures load as BGRA8888, the rest as BGR888. TGA has no
// signature, so every other header is declined, a PNG file's included.
class TTgaDecoder : public TPixmapDecoder {
 public:
  TPixmapRef Decode(const TStreamRef& stream) override;
};
