// The sample loader registry and LoadSampleBuffer.
#include "audio/sample_loader.h"

#include "audio/ogg_loader.h"
#include "audio/wav_loader.h"
#include "runtime/module_init.h"
#include "runtime/runtime_error.h"

TSampleLoaderRef SampleLoaders;

TSampleBufferRef TSampleLoader::LoadSample(TStream& stream) {
  AbstractMethod();
}

TSampleLoaderRef AddSampleLoader(TSampleLoaderRef loader) {
  loader->next = SampleLoaders;
  SampleLoaders = loader;
  return loader;
}

namespace {

bool IsStreamError(const TRuntimeError& error) {
  const std::string text = error.Text();
  return text == "Error reading from stream" || text == "Error writing to stream";
}

TSampleBufferRef LoadFromOpenStream(TStream& stream) {
  const int64_t start = stream.Pos();
  if (start < 0) RuntimeError("Stream is not seekable");
  for (TSampleLoader* loader = SampleLoaders.get(); loader; loader = loader->next.get()) {
    stream.Seek(start);
    try {
      if (auto sample = loader->LoadSample(stream)) return sample;
    } catch (const TRuntimeError& error) {
      // A file that ends or fails in mid-read is simply not this loader's file.
      if (!IsStreamError(error)) throw;
    }
  }
  return nullptr;
}

TSampleBufferRef LoadAndClose(const TStreamRef& stream) {
  if (!stream) return nullptr;
  TSampleBufferRef sample;
  try {
    sample = LoadFromOpenStream(*stream);
  } catch (...) {
    stream->Close();
    throw;
  }
  stream->Close();
  return sample;
}

}  // namespace

TSampleBufferRef LoadSampleBuffer(const std::string& source) {
  return LoadAndClose(OpenStream(source));
}

TSampleBufferRef LoadSampleBuffer(const TStreamRef& source) {
  // A view, so that closing it leaves the caller's stream open.
  return source ? LoadAndClose(OpenStream(source)) : nullptr;
}

void InitAudioLoaders() {
  static bool done = false;
  if (!FirstInit(done)) return;
  InitRuntime();
  AddSampleLoader(std::make_shared<TOggSampleLoader>());
  AddSampleLoader(std::make_shared<TWavSampleLoader>());
}
