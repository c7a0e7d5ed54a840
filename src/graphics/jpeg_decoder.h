// The JPEG decoder over libjpeg (libjpeg-turbo).
#pragma once

#include "graphics/pixmap_decoder.h"

// Greyscale JPEGs load as I8, three-component ones as RGB888; other component counts, and any
// file libjpeg finds corrupt or truncated (even one it would only warn about), give null.
class TJpegDecoder : public TPixmapDecoder {
 public:
  TPixmapRef Decode(const TStreamRef& stream) override;
};
