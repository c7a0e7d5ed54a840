// The PNG decoder over libpng, and SavePixmapPng.
#pragma once

#include <cstdint>
#include <string>

#include "graphics/pixmap.h"
#include "graphics/pixmap_decoder.h"
#include "runtime/stream.h"

// Grey pictures load as I8, RGB as RGB888, and everything with alpha (RGBA, grey + alpha,
// palettes or greys with a transparency chunk) as RGBA8888; palettes without transparency load
// as RGB888 and 16-bit samples are cut to 8 bits. A file that libpng finds corrupt, truncated
// or too large for a pixmap gives null.
class TPngDecoder : public TPixmapDecoder {
 public:
  TPixmapRef Decode(const TStreamRef& stream) override;
};

// Writes the pixmap as an 8-bit PNG at the given zlib level (0 to 9): I8 as grey, the
// three-byte formats as RGB, the four-byte formats as RGBA, A8 as white with its alpha.
// Returns 1 on success, 0 when the destination cannot be opened or writing fails.
int32_t SavePixmapPng(const TPixmapRef& pixmap, const std::string& destination, int32_t level);
// The same into an open stream, which stays open.
int32_t SavePixmapPng(const TPixmapRef& pixmap, const TStreamRef& destination, int32_t level);
