// The PNG decoder and PNG saving, both over libpng.
#include "graphics/png_decoder.h"

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <exception>
#include <vector>

namespace {

// What the libpng callbacks work on. A C++ error raised by the stream cannot travel through
// libpng's C frames, so the callback parks it here, and the caller raises it again once
// libpng's structures are freed.
struct TPngIo {
  TStream* stream = nullptr;
  std::exception_ptr error;
};

// libpng must not return from its error handler; jumping back to the recovery point set
// around each group of libpng calls is the way out. Nothing is printed: a bad file is simply
// not a pixmap.
[[noreturn]] void OnPngError(png_structp png, png_const_charp) {
  png_longjmp(png, 1);
}
void OnPngWarning(png_structp, png_const_charp) {}

void ReadFromStream(png_structp png, png_bytep data, png_size_t length) {
  auto* io = static_cast<TPngIo*>(png_get_io_ptr(png));
  int64_t got = 0;
  try {
    got = io->stream->ReadBytes(data, static_cast<int64_t>(length));
  } catch (...) {
    io->error = std::current_exception();
  }
  // A short read means the file ends early; libpng would otherwise decode stale bytes.
  if (got != static_cast<int64_t>(length)) png_error(png, "unexpected end of stream");
}

void WriteToStream(png_structp png, png_bytep data, png_size_t length) {
  auto* io = static_cast<TPngIo*>(png_get_io_ptr(png));
  bool failed = false;
  try {
    io->stream->WriteBytes(data, static_cast<int64_t>(length));
  } catch (...) {
    io->error = std::current_exception();
    failed = true;
  }
  if (failed) png_error(png, "write failed");
}

void FlushStream(png_structp) {}

struct TPngReadStructs {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~TPngReadStructs() {
    if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  }
};

struct TPngWriteStructs {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~TPngWriteStructs() {
    if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
  }
};

struct TPngLayout {
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int bitDepth = 0;
  int colorType = 0;
  size_t rowBytes = 0;
  // Bits per pixel as stored in the file, before any transform.
  int storedBits = 0;
};

// Deflate turns one byte into at most about 1032, so a file can hold no more image data than
// 1032 times its size. A header that claims more is refused before the pixmap is allocated:
// otherwise a file of a few hundred bytes makes the decoder allocate up to 2 GB before it
// notices that the data is missing.
constexpr uint64_t kDeflateMaxRatio = 1032;

bool FileCanHoldPixels(const TPngLayout& layout, int64_t fileBytes) {
  if (fileBytes < 0) return true;  // a stream of unknown size: nothing to compare with
  const uint64_t bits =
      uint64_t{layout.width} * uint64_t{layout.height} * static_cast<uint64_t>(layout.storedBits);
  return bits / 8 <= static_cast<uint64_t>(fileBytes) * kDeflateMaxRatio;
}

// The functions that set a recovery point hold no C++ objects: the jump back skips
// destructors, so everything that needs one lives in the caller.

// Reads the header and sets up the transforms; false when libpng gave up.
bool ReadHeader(png_structp png, png_infop info, TPngLayout* layout) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_info(png, info);
  layout->storedBits = png_get_bit_depth(png, info) * png_get_channels(png, info);
  // 16-bit samples become 8-bit; palettes become RGB, or RGBA with a transparency chunk;
  // greys below 8 bits are widened; a grey with a transparency chunk gains an alpha channel.
  png_set_strip_16(png);
  png_set_expand(png);
  // Grey + alpha arrives as RGBA with red = green = blue = grey, which is the pixmap's form.
  int colorType = png_get_color_type(png, info);
  if (colorType == PNG_COLOR_TYPE_GRAY_ALPHA ||
      (colorType == PNG_COLOR_TYPE_GRAY && png_get_valid(png, info, PNG_INFO_tRNS))) {
    png_set_gray_to_rgb(png);
  }
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  int interlace, compression, filter;
  png_get_IHDR(png, info, &layout->width, &layout->height, &layout->bitDepth, &layout->colorType,
               &interlace, &compression, &filter);
  layout->rowBytes = png_get_rowbytes(png, info);
  return true;
}

bool ReadImage(png_structp png, png_infop info, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_image(png, rows);
  png_read_end(png, info);
  return true;
}

bool WriteImage(png_structp png, png_infop info, png_bytepp rows, png_uint_32 width,
                png_uint_32 height, int colorType, int transforms, int level) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_compression_level(png, level);
  png_set_IHDR(png, info, width, height, 8, colorType, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_rows(png, info, rows);
  png_write_png(png, info, transforms, nullptr);
  return true;
}

int32_t FormatOf(const TPngLayout& layout) {
  if (layout.bitDepth != 8) return PF_NONE;
  switch (layout.colorType) {
    case PNG_COLOR_TYPE_GRAY:
      return PF_I8;
    case PNG_COLOR_TYPE_RGB:
      return PF_RGB888;
    case PNG_COLOR_TYPE_RGB_ALPHA:
      return PF_RGBA8888;
    default:
      return PF_NONE;
  }
}

}  // namespace

TPixmapRef TPngDecoder::Decode(const TStreamRef& stream) {
  const int64_t start = stream->Pos();
  const int64_t size = stream->Size();
  const int64_t fileBytes = start >= 0 && size >= 0 ? size - start : -1;
  png_byte signature[8] = {};
  stream->ReadBytes(signature, 8);
  if (png_sig_cmp(signature, 0, 8) != 0) return nullptr;

  TPngIo io;
  io.stream = stream.get();
  TPngReadStructs s;
  s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
  if (!s.png) return nullptr;
  s.info = png_create_info_struct(s.png);
  if (!s.info) return nullptr;
  png_set_sig_bytes(s.png, 8);
  // zlib's own Adler-32 pass costs a tenth of the decode and guards nothing more: every IDAT
  // chunk's CRC, which libpng still checks, already covers the compressed bytes.
  png_set_option(s.png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
  png_set_read_fn(s.png, &io, ReadFromStream);

  TPngLayout layout;
  TPixmapRef pixmap;
  if (ReadHeader(s.png, s.info, &layout)) {
    const int32_t format = FormatOf(layout);
    // A header may claim any size; only a picture a pixmap can hold is read.
    if (format != PF_NONE && PixmapFits(layout.width, layout.height, format) &&
        layout.rowBytes == size_t{layout.width} * BytesPerPixel[format] &&
        FileCanHoldPixels(layout, fileBytes)) {
      pixmap = TPixmap::New(static_cast<int32_t>(layout.width), static_cast<int32_t>(layout.height),
                            format, 4);
      std::vector<png_bytep> rows(layout.height);
      for (png_uint_32 y = 0; y < layout.height; ++y)
        rows[y] = pixmap->PixelAddress(0, static_cast<int32_t>(y));
      if (!ReadImage(s.png, s.info, rows.data())) pixmap = nullptr;
    }
  }
  if (io.error) std::rethrow_exception(io.error);
  return pixmap;
}

int32_t SavePixmapPng(const TPixmapRef& pixmap, const TStreamRef& destination, int32_t level) {
  if (!pixmap) return 0;
  TStreamRef stream = OpenStream(destination);
  if (!stream) return 0;

  TPixmapRef source = pixmap;
  int colorType = PNG_COLOR_TYPE_RGB_ALPHA;
  int transforms = PNG_TRANSFORM_IDENTITY;
  switch (pixmap->format) {
    case PF_I8:
      colorType = PNG_COLOR_TYPE_GRAY;
      break;
    case PF_RGB888:
      colorType = PNG_COLOR_TYPE_RGB;
      break;
    case PF_BGR888:
      colorType = PNG_COLOR_TYPE_RGB;
      transforms = PNG_TRANSFORM_BGR;
      break;
    case PF_RGBA8888:
      break;
    case PF_BGRA8888:
      transforms = PNG_TRANSFORM_BGR;
      break;
    default:
      source = pixmap->ToFormat(PF_RGBA8888);
      break;
  }

  TPngIo io;
  io.stream = stream.get();
  bool written = false;
  {
    TPngWriteStructs s;
    s.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    if (s.png) s.info = png_create_info_struct(s.png);
    if (s.info) {
      png_set_write_fn(s.png, &io, WriteToStream, FlushStream);
      std::vector<png_bytep> rows(source->height > 0 ? source->height : 0);
      for (int32_t y = 0; y < source->height; ++y) rows[y] = source->PixelAddress(0, y);
      written = WriteImage(s.png, s.info, rows.data(), static_cast<png_uint_32>(source->width),
                           static_cast<png_uint_32>(source->height), colorType, transforms, level);
    }
  }
  stream->Close();
  return written ? 1 : 0;
}

int32_t SavePixmapPng(const TPixmapRef& pixmap, const std::string& destination, int32_t level) {
  TStreamRef stream = WriteStream(destination);
  if (!stream) return 0;
  int32_t result = SavePixmapPng(pixmap, stream, level);
  stream->Close();
  return result;
}
