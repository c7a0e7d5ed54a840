// The pixmap decoder registry and LoadPixmapFrom.
#include "graphics/pixmap_decoder.h"

#include "graphics/bmp_decoder.h"
#include "graphics/jpeg_decoder.h"
#include "graphics/png_decoder.h"
#include "graphics/tga_decoder.h"
#include "runtime/module_init.h"
#include "runtime/runtime_error.h"

TPixmapDecoderRef pixmapDecoders;

TPixmapRef TPixmapDecoder::Decode(const TStreamRef& stream) {
  AbstractMethod();
}

TPixmapDecoderRef AddPixmapDecoder(TPixmapDecoderRef decoder) {
  decoder->next = pixmapDecoders;
  pixmapDecoders = decoder;
  return decoder;
}

namespace {

bool IsStreamError(const TRuntimeError& error) {
  const std::string text = error.Text();
  return text == "Error reading from stream" || text == "Error writing to stream";
}

TPixmapRef LoadFromOpened(const TStreamRef& stream) {
  if (!stream) return nullptr;
  const int64_t start = stream->Pos();
  if (start == -1) {
    stream->Close();
    return nullptr;
  }
  TPixmapRef pixmap;
  try {
    // Hold each decoder while it runs, in case the registry changes under it.
    for (TPixmapDecoderRef decoder = pixmapDecoders; decoder && !pixmap; decoder = decoder->next) {
      stream->Seek(start);
      try {
        pixmap = decoder->Decode(stream);
      } catch (const TRuntimeError& error) {
        if (!IsStreamError(error)) throw;
      }
    }
  } catch (...) {
    stream->Close();
    throw;
  }
  stream->Close();
  return pixmap;
}

}  // namespace

TPixmapRef LoadPixmapFrom(const std::string& source) {
  return LoadFromOpened(ReadStream(source));
}

TPixmapRef LoadPixmapFrom(const TStreamRef& source) {
  return LoadFromOpened(OpenStream(source));
}

void InitPixmaps() {
  static bool done = false;
  if (!FirstInit(done)) return;
  InitRuntime();
  AddPixmapDecoder(std::make_shared<TBmpDecoder>());
  AddPixmapDecoder(std::make_shared<TJpegDecoder>());
  AddPixmapDecoder(std::make_shared<TPngDecoder>());
  AddPixmapDecoder(std::make_shared<TTgaDecoder>());
}
