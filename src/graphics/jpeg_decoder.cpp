// The JPEG decoder: libjpeg reading from a stream, with its errors turned into "no pixmap".
#include "graphics/jpeg_decoder.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <jerror.h>
#include <jpeglib.h>

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>

namespace {

// libjpeg's default error handler ends the process. Ours jumps back to the recovery point
// instead, and so does the first warning, which libjpeg issues for corrupt data it would paper
// over: a file corrupt from its first row would otherwise be decoded to its last row, grey.
struct TJpegErrors {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

[[noreturn]] void OnJpegError(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<TJpegErrors*>(cinfo->err)->jump, 1);
}

void OnJpegMessage(j_common_ptr cinfo, int level) {
  if (level < 0) OnJpegError(cinfo);
}

// Huffman-coded scans spend at least one bit on every 8 x 8 block they code, and a block covers
// at most 32 x 32 pixels (a component sampled at 1 in a frame whose largest factor is 4): so no
// file codes more than 8192 pixels per byte. A frame that claims more is refused before its
// pixels are allocated. NOTE: arithmetic coding can spend less than a bit on a block; a picture
// that uniform and that large is refused as well.
constexpr uint64_t kMaxPixelsPerByte = 8192;

void OnJpegOutput(j_common_ptr) {}

// Feeds libjpeg from the stream. A C++ error raised by the stream cannot travel through
// libjpeg's C frames, so it is parked here and raised again once libjpeg is done.
struct TJpegSource {
  jpeg_source_mgr pub;
  TStream* stream = nullptr;
  std::exception_ptr error;
  JOCTET buffer[4096];
};

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  auto* source = reinterpret_cast<TJpegSource*>(cinfo->src);
  int64_t got = 0;
  try {
    got = source->stream->ReadBytes(source->buffer, sizeof source->buffer);
  } catch (...) {
    source->error = std::current_exception();
  }
  // NOTE: libjpeg's usual answer to an early end is a fake end-of-image marker and a grey
  // remainder; a truncated file is refused instead.
  if (got <= 0) ERREXIT(cinfo, JERR_INPUT_EOF);
  source->pub.next_input_byte = source->buffer;
  source->pub.bytes_in_buffer = static_cast<size_t>(got);
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  jpeg_source_mgr* src = cinfo->src;
  while (count > static_cast<long>(src->bytes_in_buffer)) {
    count -= static_cast<long>(src->bytes_in_buffer);
    FillInputBuffer(cinfo);
  }
  src->next_input_byte += count;
  src->bytes_in_buffer -= static_cast<size_t>(count);
}

struct TJpegDecompress {
  jpeg_decompress_struct cinfo;
  bool created = false;
  ~TJpegDecompress() {
    if (created) jpeg_destroy_decompress(&cinfo);
  }
};

// The functions that set a recovery point hold no C++ objects: the jump back skips
// destructors, so everything that needs one lives in the caller.

bool CreateAndReadHeader(TJpegDecompress* d, TJpegErrors* errors, TJpegSource* source) {
  if (setjmp(errors->jump)) return false;
  jpeg_create_decompress(&d->cinfo);
  d->created = true;
  d->cinfo.src = &source->pub;
  jpeg_read_header(&d->cinfo, TRUE);
  if (d->cinfo.num_components == 1) {
    d->cinfo.out_color_space = JCS_GRAYSCALE;
  } else if (d->cinfo.num_components == 3) {
    d->cinfo.out_color_space = JCS_RGB;
  } else {
    return false;
  }
  jpeg_calc_output_dimensions(&d->cinfo);
  return true;
}

bool ReadScanlines(j_decompress_ptr cinfo, TJpegErrors* errors, uint8_t* pixels, int32_t pitch) {
  if (setjmp(errors->jump)) return false;
  jpeg_start_decompress(cinfo);
  while (cinfo->output_scanline < cinfo->output_height) {
    JSAMPROW row = pixels + static_cast<int64_t>(cinfo->output_scanline) * pitch;
    jpeg_read_scanlines(cinfo, &row, 1);
  }
  jpeg_finish_decompress(cinfo);
  return true;
}

}  // namespace

TPixmapRef TJpegDecoder::Decode(const TStreamRef& stream) {
  // Every JPEG starts with a start-of-image marker; anything else is not worth waking libjpeg.
  const int64_t start = stream->Pos();
  const int64_t size = stream->Size();
  const int64_t fileBytes = start >= 0 && size >= 0 ? size - start : -1;
  uint8_t marker[2] = {};
  if (stream->ReadBytes(marker, 2) != 2 || marker[0] != 0xFF || marker[1] != 0xD8) return nullptr;
  stream->Seek(start);

  TJpegErrors errors{};
  TJpegSource source;
  source.stream = stream.get();
  source.pub.init_source = InitSource;
  source.pub.fill_input_buffer = FillInputBuffer;
  source.pub.skip_input_data = SkipInputData;
  source.pub.resync_to_restart = jpeg_resync_to_restart;
  source.pub.term_source = TermSource;
  source.pub.bytes_in_buffer = 0;
  source.pub.next_input_byte = nullptr;

  TPixmapRef pixmap;
  {
    TJpegDecompress d;
    d.cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = OnJpegError;
    errors.pub.emit_message = OnJpegMessage;
    errors.pub.output_message = OnJpegOutput;
    if (CreateAndReadHeader(&d, &errors, &source)) {
      const int32_t format = d.cinfo.out_color_space == JCS_GRAYSCALE ? PF_I8 : PF_RGB888;
      const uint64_t pixels = uint64_t{d.cinfo.output_width} * d.cinfo.output_height;
      if (PixmapFits(d.cinfo.output_width, d.cinfo.output_height, format) &&
          d.cinfo.output_components == BytesPerPixel[format] &&
          (fileBytes < 0 || pixels <= static_cast<uint64_t>(fileBytes) * kMaxPixelsPerByte)) {
        pixmap = TPixmap::New(static_cast<int32_t>(d.cinfo.output_width),
                              static_cast<int32_t>(d.cinfo.output_height), format, 4);
        if (!ReadScanlines(&d.cinfo, &errors, pixmap->pixels, pixmap->pitch)) pixmap = nullptr;
      }
    }
  }
  if (source.error) std::rethrow_exception(source.error);
  return pixmap;
}
