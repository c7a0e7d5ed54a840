// The registry of sample loaders and LoadSampleBuffer, which asks them in turn.
#pragma once

#include <memory>
#include <string>

#include "audio/sample_buffer.h"
#include "runtime/object.h"
#include "runtime/stream.h"

class TSampleLoader;
using TSampleLoaderRef = std::shared_ptr<TSampleLoader>;

// Turns the bytes of one file format into a sample buffer.
class TSampleLoader : public TObject {
 public:
  // The buffer, or null when the stream does not hold this loader's format. Reads start at
  // the stream's current position.
  virtual TSampleBufferRef LoadSample(TStream& stream);

  TSampleLoaderRef next;
};

// Head of the registry; the loader added last is asked first.
extern TSampleLoaderRef SampleLoaders;

// Links the loader at the head of the registry and returns it.
TSampleLoaderRef AddSampleLoader(TSampleLoaderRef loader);

// Asks each loader in turn, rewinding the stream before each. Null when the source cannot
// be opened or no loader accepts it. Raises "Stream is not seekable" when the stream cannot
// report its position.
TSampleBufferRef LoadSampleBuffer(const std::string& source);
TSampleBufferRef LoadSampleBuffer(const TStreamRef& source);

// Module start-up for the loaders: the Ogg Vorbis loader, then the WAV loader, so that the
// WAV loader is asked first.
void InitAudioLoaders();
