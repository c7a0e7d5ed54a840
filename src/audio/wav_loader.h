// The WAV sample loader: uncompressed PCM in a RIFF/WAVE file, 8 or 16 bits, mono or stereo.
#pragma once

#include "audio/sample_loader.h"

// Null for anything else: another container, compression, other depths or channel counts, a
// data chunk without one whole frame or running past the end of the file.
class TWavSampleLoader : public TSampleLoader {
 public:
  TSampleBufferRef LoadSample(TStream& stream) override;
};
