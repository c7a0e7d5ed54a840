// The WAV sample loader: uncompressed PCM in a RIFF/WAVE file, 8 or 16 bits, mono or stereo.
#pragma once

#include "audio/sample_loader.h"

class TWavSampleLoader : public TSampleLoader {
 public:
  TSampleBufferRef LoadSample(TStream& stream) override;
};
