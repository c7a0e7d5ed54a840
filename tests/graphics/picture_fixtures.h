// Picture files the tests make themselves (PNG, JPEG, TGA, BMP) and helpers to damage them.
#pragma once

#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "graphics/pixmap.h"
#include "runtime/stream.h"

namespace fixtures {

using Bytes = std::vector<uint8_t>;

// ---- PNG

struct PngPicture {
  int width = 4;
  int height = 3;
  int colorType = PNG_COLOR_TYPE_RGB;
  int bitDepth = 8;
  bool interlaced = false;
  std::vector<png_color> palette;
  // Palette alpha for PNG_COLOR_TYPE_PALETTE, one value per entry.
  std::vector<uint8_t> paletteAlpha;
  // The single transparent grey or RGB colour, when set.
  bool hasTransparentColor = false;
  png_color_16 transparentColor{};
  // Sample of channel c at (x, y), already within the bit depth.
  std::function<uint32_t(int x, int y, int c)> sample;
};

inline int Channels(int colorType) {
  switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
      return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      return 2;
    case PNG_COLOR_TYPE_RGB:
      return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA:
      return 4;
    default:
      return 1;  // palette index
  }
}

inline void PngWriteToVector(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

inline void PngFlushNothing(png_structp) {}

// Encodes the picture; the fixtures are always valid, so a libpng error here is a test bug.
inline Bytes EncodePng(const PngPicture& p) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, PngWriteToVector, PngFlushNothing);
  png_set_IHDR(png, info, p.width, p.height, p.bitDepth, p.colorType,
               p.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!p.palette.empty()) {
    png_set_PLTE(png, info, const_cast<png_colorp>(p.palette.data()),
                 static_cast<int>(p.palette.size()));
  }
  if (!p.paletteAlpha.empty()) {
    png_set_tRNS(png, info, const_cast<png_bytep>(p.paletteAlpha.data()),
                 static_cast<int>(p.paletteAlpha.size()), nullptr);
  } else if (p.hasTransparentColor) {
    png_set_tRNS(png, info, nullptr, 0, const_cast<png_color_16p>(&p.transparentColor));
  }
  // Pack the samples: big-endian 16-bit, or several sub-byte samples per byte, high bits first.
  const int channels = Channels(p.colorType);
  const size_t rowBytes = (static_cast<size_t>(p.width) * channels * p.bitDepth + 7) / 8;
  std::vector<Bytes> rows(p.height, Bytes(rowBytes, 0));
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      for (int c = 0; c < channels; ++c) {
        const uint32_t v = p.sample(x, y, c);
        const size_t i = static_cast<size_t>(x) * channels + c;
        if (p.bitDepth == 16) {
          rows[y][i * 2] = static_cast<uint8_t>(v >> 8);
          rows[y][i * 2 + 1] = static_cast<uint8_t>(v);
        } else if (p.bitDepth == 8) {
          rows[y][i] = static_cast<uint8_t>(v);
        } else {
          const size_t bit = i * p.bitDepth;
          rows[y][bit / 8] |= static_cast<uint8_t>(v << (8 - p.bitDepth - bit % 8));
        }
      }
    }
  }
  std::vector<png_bytep> pointers;
  for (auto& r : rows) pointers.push_back(r.data());
  png_set_rows(png, info, pointers.data());
  png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

// A small RGB picture, good for corrupting.
inline Bytes SmallPng(int width = 16, int height = 16) {
  PngPicture p;
  p.width = width;
  p.height = height;
  p.sample = [](int x, int y, int c) {
    return static_cast<uint32_t>((x * 13 + y * 7 + c * 50) & 255);
  };
  return EncodePng(p);
}

inline uint32_t Crc32(const uint8_t* data, size_t n) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = crc >> 1 ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

inline void PutBe32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

inline uint32_t GetBe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | p[3];
}

// Offset of the first chunk of the given type (its length field), or npos.
inline size_t FindChunk(const Bytes& png, const char* type) {
  size_t at = 8;
  while (at + 8 <= png.size()) {
    if (std::string(png.begin() + at + 4, png.begin() + at + 8) == type) return at;
    at += 12 + GetBe32(&png[at]);
  }
  return std::string::npos;
}

// The same PNG with its header claiming another size, checksum fixed so that only the size is
// wrong.
inline Bytes WithPngSize(Bytes png, uint32_t width, uint32_t height) {
  const size_t ihdr = FindChunk(png, "IHDR");
  PutBe32(&png[ihdr + 8], width);
  PutBe32(&png[ihdr + 12], height);
  PutBe32(&png[ihdr + 8 + 13], Crc32(&png[ihdr + 4], 4 + 13));
  return png;
}

// ---- JPEG

// Encodes 8-bit samples (1, 3 or 4 (CMYK) per pixel, rows packed) at quality 95.
inline Bytes EncodeJpeg(int width, int height, int components, const Bytes& samples,
                        bool progressive = false) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = width;
  cinfo.image_height = height;
  cinfo.input_components = components;
  cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 95, TRUE);
  if (progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<uint8_t*>(
        &samples[static_cast<size_t>(cinfo.next_scanline) * width * components]);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  Bytes out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

// A smooth picture that survives JPEG compression nearly unchanged.
inline Bytes SmoothSamples(int width, int height, int components) {
  Bytes s(static_cast<size_t>(width) * height * components);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < components; ++c) {
        s[(static_cast<size_t>(y) * width + x) * components + c] =
            static_cast<uint8_t>(40 + x * 2 + y + c * 60);
      }
    }
  }
  return s;
}

// ---- TGA and BMP

inline void PutLe16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}

inline void PutLe32(Bytes& b, uint32_t v) {
  PutLe16(b, v & 0xFFFF);
  PutLe16(b, v >> 16);
}

inline Bytes TgaHeader(int type, int width, int height, int bits, int descriptor, int mapType = 0,
                       int mapLength = 0, int mapBits = 0) {
  Bytes h = {0, static_cast<uint8_t>(mapType), static_cast<uint8_t>(type)};
  PutLe16(h, 0);
  PutLe16(h, mapLength);
  h.push_back(static_cast<uint8_t>(mapBits));
  PutLe16(h, 0);
  PutLe16(h, 0);
  PutLe16(h, width);
  PutLe16(h, height);
  h.push_back(static_cast<uint8_t>(bits));
  h.push_back(static_cast<uint8_t>(descriptor));
  return h;
}

// A BMP with a 40-byte info header; rows are given as stored (already padded), palette as
// B, G, R, 0 quads (or, for bit fields, the three masks that follow the header).
inline Bytes Bmp(int width, int height, int bits, const std::vector<Bytes>& rows,
                 const Bytes& palette = {}, uint32_t compression = 0) {
  Bytes data;
  for (const auto& r : rows) data.insert(data.end(), r.begin(), r.end());
  const uint32_t offset = 14 + 40 + static_cast<uint32_t>(palette.size());
  Bytes b = {'B', 'M'};
  PutLe32(b, offset + static_cast<uint32_t>(data.size()));
  PutLe32(b, 0);
  PutLe32(b, offset);
  PutLe32(b, 40);
  PutLe32(b, static_cast<uint32_t>(width));
  PutLe32(b, static_cast<uint32_t>(height));
  PutLe16(b, 1);
  PutLe16(b, bits);
  PutLe32(b, compression);
  PutLe32(b, static_cast<uint32_t>(data.size()));
  PutLe32(b, 2835);
  PutLe32(b, 2835);
  PutLe32(b, static_cast<uint32_t>(palette.size() / 4));
  PutLe32(b, 0);
  b.insert(b.end(), palette.begin(), palette.end());
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

// ---- streams and pixels

inline TStreamRef Memory(const Bytes& bytes) {
  return TMemoryStream::Own(bytes);
}

// A stream whose reads fail after `good` bytes without having reached the end: a disk error.
class FailingStream : public TStream {
 public:
  FailingStream(Bytes bytes, int64_t good) : bytes_(std::move(bytes)), good_(good) {}
  int64_t Pos() override { return pos_; }
  int64_t Size() override { return static_cast<int64_t>(bytes_.size()); }
  int64_t Seek(int64_t pos) override { return pos_ = pos; }
  int64_t Read(void* buffer, int64_t n) override {
    const int64_t count = std::max<int64_t>(0, std::min(n, good_ - pos_));
    if (count > 0) std::memcpy(buffer, bytes_.data() + pos_, static_cast<size_t>(count));
    pos_ += count;
    return count;
  }
  int64_t Write(const void*, int64_t) override { return 0; }
  bool Eof() override { return false; }
  void Close() override {}

 private:
  Bytes bytes_;
  int64_t good_;
  int64_t pos_ = 0;
};

inline Bytes Truncated(const Bytes& bytes, size_t size) {
  return Bytes(bytes.begin(), bytes.begin() + std::min(size, bytes.size()));
}

// The bytes with some overwritten from `at` on (as far as the bytes go).
inline Bytes Patched(Bytes bytes, size_t at, std::initializer_list<uint8_t> with) {
  for (uint8_t b : with) {
    if (at < bytes.size()) bytes[at] = b;
    ++at;
  }
  return bytes;
}

inline Bytes Appended(Bytes bytes, const Bytes& more) {
  bytes.insert(bytes.end(), more.begin(), more.end());
  return bytes;
}

inline std::string ArgbText(uint32_t argb) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", argb);
  return text;
}

// Every pixel of a decoded picture, row by row, as ARGB text: a mismatch shows all of them.
inline std::vector<std::string> ArgbRows(const TPixmapRef& p) {
  std::vector<std::string> out;
  for (int32_t y = 0; y < p->height; ++y) {
    for (int32_t x = 0; x < p->width; ++x) out.push_back(ArgbText(p->GetPixelARGB(x, y)));
  }
  return out;
}

inline std::vector<std::string> ArgbTexts(const std::vector<uint32_t>& argb) {
  std::vector<std::string> out;
  for (uint32_t v : argb) out.push_back(ArgbText(v));
  return out;
}

// A picture file and what it must decode to.
struct PictureCase {
  std::string name;
  Bytes file;
  int32_t format;
  int32_t width;
  std::vector<uint32_t> argb;  // top row first
};

// Decodes the case's file with the given decoder and checks its format and every pixel.
template <class Decoder>
void ExpectPicture(const PictureCase& c) {
  SCOPED_TRACE(c.name);
  TPixmapRef p = Decoder().Decode(Memory(c.file));
  ASSERT_TRUE(p);
  EXPECT_EQ(p->format, c.format);
  ASSERT_EQ(p->width, c.width);
  ASSERT_EQ(p->height, static_cast<int32_t>(c.argb.size()) / c.width);
  EXPECT_EQ(ArgbRows(p), ArgbTexts(c.argb));
}

}  // namespace fixtures
