// The registry of pixmap decoders, LoadPixmapFrom which asks them in turn, and InitPixmaps.
#pragma once

#include <memory>
#include <string>

#include "graphics/pixmap.h"
#include "runtime/object.h"
#include "runtime/stream.h"

class TPixmapDecoder;
using TPixmapDecoderRef = std::shared_ptr<TPixmapDecoder>;

// Turns the bytes of one picture format into a pixmap.
class TPixmapDecoder : public TObject {
 public:
  // The pixmap, or null when the stream does not hold a picture this decoder can read. Reads
  // start at the stream's current position; the decoder does not close the stream.
  virtual TPixmapRef Decode(const TStreamRef& stream);

  TPixmapDecoderRef next;
};

// Head of the registry; the decoder added last is asked first.
extern TPixmapDecoderRef pixmapDecoders;

// Links the decoder at the head of the registry and returns it.
TPixmapDecoderRef AddPixmapDecoder(TPixmapDecoderRef decoder);

// Asks each decoder in turn, seeking back to the starting position before each, and returns
// the first pixmap one produces. Null when the source cannot be opened, cannot tell its
// position, or no decoder accepts it. A stream read or write error inside a decoder counts as
// "not mine"; any other error propagates. A stream passed in stays open.
TPixmapRef LoadPixmapFrom(const std::string& source);
TPixmapRef LoadPixmapFrom(const TStreamRef& source);

// Module start-up for pixmaps: registers the BMP, JPEG, PNG and TGA decoders in that order,
// so that TGA is asked first and BMP last.
void InitPixmaps();
