// TPixmap and the module-level pixmap operations.
#include "graphics/pixmap.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "runtime/runtime_error.h"

const int32_t BytesPerPixel[7] = {0, 1, 1, 3, 3, 4, 4};
const int32_t BitsPerPixel[7] = {0, 8, 8, 24, 24, 32, 32};
const int32_t RedBits[7] = {0, 0, 0, 8, 8, 8, 8};
const int32_t GreenBits[7] = {0, 0, 0, 8, 8, 8, 8};
const int32_t BlueBits[7] = {0, 0, 0, 8, 8, 8, 8};
const int32_t AlphaBits[7] = {0, 0, 8, 0, 0, 8, 8};

namespace {

constexpr std::align_val_t kPixelAlignment{16};

bool KnownFormat(int32_t format) {
  return format >= PF_I8 && format <= PF_RGBA8888;
}

int32_t Bpp(int32_t format) {
  return KnownFormat(format) ? BytesPerPixel[format] : 0;
}

int64_t PitchFor(int64_t width, int32_t format, int32_t align) {
  if (align < 1) align = 1;
  return (width * Bpp(format) + align - 1) / align * align;
}

// Source pixels to R, G, B, A.
void ExpandRow(const uint8_t* s, int32_t format, uint8_t* d, int32_t count) {
  switch (format) {
    case PF_I8:
      for (int32_t i = 0; i < count; ++i, d += 4) {
        d[0] = d[1] = d[2] = s[i];
        d[3] = 255;
      }
      break;
    case PF_A8:
      for (int32_t i = 0; i < count; ++i, d += 4) {
        d[0] = d[1] = d[2] = 255;
        d[3] = s[i];
      }
      break;
    case PF_BGR888:
      for (int32_t i = 0; i < count; ++i, s += 3, d += 4) {
        d[0] = s[2];
        d[1] = s[1];
        d[2] = s[0];
        d[3] = 255;
      }
      break;
    case PF_RGB888: {
      int32_t i = 0;
      if constexpr (std::endian::native == std::endian::little) {
        // The commonest expansion (pictures without alpha on their way to a texture): one
        // four-byte load per pixel with alpha forced in. The last pixel is done bytewise, as
        // its fourth byte may lie past the row's memory.
        for (; i + 1 < count; ++i, s += 3, d += 4) {
          uint32_t v;
          std::memcpy(&v, s, 4);
          v |= 0xFF000000u;
          std::memcpy(d, &v, 4);
        }
      }
      for (; i < count; ++i, s += 3, d += 4) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
        d[3] = 255;
      }
      break;
    }
    case PF_BGRA8888:
      for (int32_t i = 0; i < count; ++i, s += 4, d += 4) {
        d[0] = s[2];
        d[1] = s[1];
        d[2] = s[0];
        d[3] = s[3];
      }
      break;
    case PF_RGBA8888:
      std::memcpy(d, s, static_cast<size_t>(count) * 4);
      break;
    default:
      std::memset(d, 0, static_cast<size_t>(count) * 4);
      break;
  }
}

// R, G, B, A to destination pixels.
void ReduceRow(const uint8_t* s, uint8_t* d, int32_t format, int32_t count) {
  switch (format) {
    case PF_I8:
      for (int32_t i = 0; i < count; ++i, s += 4)
        d[i] = static_cast<uint8_t>((s[0] + s[1] + s[2]) / 3);
      break;
    case PF_A8:
      for (int32_t i = 0; i < count; ++i, s += 4) d[i] = s[3];
      break;
    case PF_BGR888:
      for (int32_t i = 0; i < count; ++i, s += 4, d += 3) {
        d[0] = s[2];
        d[1] = s[1];
        d[2] = s[0];
      }
      break;
    case PF_RGB888:
      for (int32_t i = 0; i < count; ++i, s += 4, d += 3) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
      }
      break;
    case PF_BGRA8888:
      for (int32_t i = 0; i < count; ++i, s += 4, d += 4) {
        d[0] = s[2];
        d[1] = s[1];
        d[2] = s[0];
        d[3] = s[3];
      }
      break;
    case PF_RGBA8888:
      std::memcpy(d, s, static_cast<size_t>(count) * 4);
      break;
    default:
      break;
  }
}

TPixmapRef AsRgba(const TPixmapRef& pixmap) {
  return pixmap->format == PF_RGBA8888 ? pixmap : pixmap->ToFormat(PF_RGBA8888);
}

}  // namespace

// ---- TPixmap

TPixmap::~TPixmap() {
  if (capacity >= 0 && pixels) ::operator delete(pixels, kPixelAlignment);
}

bool PixmapFits(int64_t width, int64_t height, int32_t format, int32_t align) {
  constexpr int64_t kMaxSide = std::numeric_limits<int32_t>::max();
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;
  if (!KnownFormat(format)) return false;
  int64_t pitch = PitchFor(width, format, align);
  return pitch <= std::numeric_limits<int32_t>::max() / height;
}

TPixmapRef TPixmap::New(int32_t width, int32_t height, int32_t format, int32_t align) {
  int64_t pitch = PitchFor(std::max(width, 0), format, align);
  int64_t bytes = pitch * std::max(height, 0);
  // Sides past these limits would make capacity lie about the memory behind the pixels.
  if (width < 0 || height < 0 || bytes > std::numeric_limits<int32_t>::max()) {
    RuntimeError("Unable to allocate pixmap");
  }
  auto pixmap = std::make_shared<TPixmap>();
  pixmap->pixels =
      static_cast<uint8_t*>(::operator new(static_cast<size_t>(bytes), kPixelAlignment));
  pixmap->width = width;
  pixmap->height = height;
  pixmap->pitch = static_cast<int32_t>(pitch);
  pixmap->format = format;
  pixmap->capacity = static_cast<int32_t>(bytes);
  return pixmap;
}

TPixmapRef TPixmap::Wrap(uint8_t* pixels, int32_t width, int32_t height, int32_t pitch,
                         int32_t format) {
  auto pixmap = std::make_shared<TPixmap>();
  pixmap->pixels = pixels;
  pixmap->width = width;
  pixmap->height = height;
  pixmap->pitch = pitch;
  pixmap->format = format;
  pixmap->capacity = -1;
  return pixmap;
}

uint8_t* TPixmap::PixelAddress(int32_t x, int32_t y) {
  return pixels + static_cast<int64_t>(y) * pitch + static_cast<int64_t>(x) * Bpp(format);
}

TPixmapRef TPixmap::SubView(int32_t x, int32_t y, int32_t w, int32_t h) {
  return Wrap(PixelAddress(x, y), w, h, pitch, format);
}

TPixmapRef TPixmap::Duplicate() {
  TPixmapRef copy = New(width, height, format, 4);
  size_t rowBytes = static_cast<size_t>(width) * Bpp(format);
  for (int32_t y = 0; y < height; ++y)
    std::memcpy(copy->PixelAddress(0, y), PixelAddress(0, y), rowBytes);
  return copy;
}

void TPixmap::PasteFrom(const TPixmapRef& source, int32_t x, int32_t y) {
  for (int32_t i = 0; i < source->height; ++i) {
    ConvertPixelRow(source->PixelAddress(0, i), source->format, PixelAddress(x, y + i), format,
                    source->width);
  }
}

TPixmapRef TPixmap::ToFormat(int32_t f) {
  TPixmapRef result = New(width, height, f, 4);
  for (int32_t y = 0; y < height; ++y) {
    ConvertPixelRow(PixelAddress(0, y), format, result->PixelAddress(0, y), f, width);
  }
  return result;
}

uint32_t TPixmap::GetPixelARGB(int32_t x, int32_t y) {
  const uint8_t* p = PixelAddress(x, y);
  auto argb = [](uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return a << 24 | r << 16 | g << 8 | b;
  };
  switch (format) {
    case PF_I8:
      return argb(255, p[0], p[0], p[0]);
    case PF_A8:
      return argb(p[0], 255, 255, 255);
    case PF_BGR888:
      return argb(255, p[2], p[1], p[0]);
    case PF_RGB888:
      return argb(255, p[0], p[1], p[2]);
    case PF_BGRA8888:
      return argb(p[3], p[2], p[1], p[0]);
    case PF_RGBA8888:
      return argb(p[3], p[0], p[1], p[2]);
    default:
      return 0;
  }
}

void TPixmap::PutPixelARGB(int32_t x, int32_t y, uint32_t argb) {
  uint8_t* p = PixelAddress(x, y);
  uint8_t a = argb >> 24, r = argb >> 16, g = argb >> 8, b = argb;
  switch (format) {
    case PF_I8:
      p[0] = static_cast<uint8_t>((r + g + b) / 3);
      break;
    case PF_A8:
      p[0] = a;
      break;
    case PF_BGR888:
      p[0] = b;
      p[1] = g;
      p[2] = r;
      break;
    case PF_RGB888:
      p[0] = r;
      p[1] = g;
      p[2] = b;
      break;
    case PF_BGRA8888:
      p[0] = b;
      p[1] = g;
      p[2] = r;
      p[3] = a;
      break;
    case PF_RGBA8888:
      p[0] = r;
      p[1] = g;
      p[2] = b;
      p[3] = a;
      break;
    default:
      break;
  }
}

// ---- module-level forms

TPixmapRef NewPixmap(int32_t width, int32_t height, int32_t format, int32_t align) {
  return TPixmap::New(width, height, format, align);
}
TPixmapRef WrapPixels(uint8_t* pixels, int32_t width, int32_t height, int32_t pitch,
                      int32_t format) {
  return TPixmap::Wrap(pixels, width, height, pitch, format);
}
TPixmapRef DuplicatePixmap(const TPixmapRef& pixmap) {
  return pixmap->Duplicate();
}
TPixmapRef ConvertPixmapFormat(const TPixmapRef& pixmap, int32_t format) {
  return pixmap->ToFormat(format);
}
int32_t GetPixmapWidth(const TPixmapRef& pixmap) {
  return pixmap->width;
}
int32_t GetPixmapHeight(const TPixmapRef& pixmap) {
  return pixmap->height;
}
int32_t GetPixmapPitch(const TPixmapRef& pixmap) {
  return pixmap->pitch;
}
int32_t GetPixmapFormat(const TPixmapRef& pixmap) {
  return pixmap->format;
}
uint8_t* GetPixmapPixelAddress(const TPixmapRef& pixmap, int32_t x, int32_t y) {
  return pixmap->PixelAddress(x, y);
}
TPixmapRef GetPixmapSubView(const TPixmapRef& pixmap, int32_t x, int32_t y, int32_t width,
                            int32_t height) {
  return pixmap->SubView(x, y, width, height);
}
uint32_t ReadPixelARGB(const TPixmapRef& pixmap, int32_t x, int32_t y) {
  return pixmap->GetPixelARGB(x, y);
}
void WritePixelARGB(const TPixmapRef& pixmap, int32_t x, int32_t y, uint32_t argb) {
  pixmap->PutPixelARGB(x, y, argb);
}

// ---- rows

void CopyPixelRow(const uint8_t* source, uint8_t* destination, int32_t format, int32_t count) {
  std::memcpy(destination, source, static_cast<size_t>(count) * Bpp(format));
}

void ConvertPixelRow(const uint8_t* source, int32_t sourceFormat, uint8_t* destination,
                     int32_t destinationFormat, int32_t count) {
  if (count <= 0) return;
  if (sourceFormat == destinationFormat) {
    CopyPixelRow(source, destination, sourceFormat, count);
  } else if (destinationFormat == PF_RGBA8888) {
    ExpandRow(source, sourceFormat, destination, count);
  } else if (sourceFormat == PF_RGBA8888) {
    ReduceRow(source, destination, destinationFormat, count);
  } else {
    // Through RGBA8888 in slices, so that no conversion has to allocate.
    constexpr int32_t kSlice = 512;
    uint8_t rgba[kSlice * 4];
    int32_t sb = Bpp(sourceFormat), db = Bpp(destinationFormat);
    for (int32_t done = 0; done < count; done += kSlice) {
      int32_t n = std::min(kSlice, count - done);
      ExpandRow(source + static_cast<int64_t>(done) * sb, sourceFormat, rgba, n);
      ReduceRow(rgba, destination + static_cast<int64_t>(done) * db, destinationFormat, n);
    }
  }
}

// ---- colour keying

TPixmapRef ApplyColorKey(const TPixmapRef& pixmap, int32_t red, int32_t green, int32_t blue) {
  TPixmapRef source = AsRgba(pixmap);
  const int32_t w = source->width, h = source->height;
  TPixmapRef result = TPixmap::New(w, h, PF_RGBA8888, 4);
  auto isKey = [&](const uint8_t* p) { return p[0] == red && p[1] == green && p[2] == blue; };
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* s = source->PixelAddress(0, y);
    uint8_t* d = result->PixelAddress(0, y);
    for (int32_t x = 0; x < w; ++x, s += 4, d += 4) {
      if (!isKey(s)) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
        d[3] = 255;
        continue;
      }
      int32_t sum[3] = {0, 0, 0}, n = 0;
      for (int32_t ny = std::max(y - 1, 0); ny <= std::min(y + 1, h - 1); ++ny) {
        for (int32_t nx = std::max(x - 1, 0); nx <= std::min(x + 1, w - 1); ++nx) {
          const uint8_t* q = source->PixelAddress(nx, ny);
          if (isKey(q)) continue;
          sum[0] += q[0];
          sum[1] += q[1];
          sum[2] += q[2];
          ++n;
        }
      }
      for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>(n ? sum[c] / n : 0);
      d[3] = 0;
    }
  }
  return result;
}

// ---- mirroring

TPixmapRef MirrorPixmapX(const TPixmapRef& pixmap) {
  const int32_t w = pixmap->width, h = pixmap->height, b = Bpp(pixmap->format);
  TPixmapRef result = TPixmap::New(w, h, pixmap->format, 4);
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* s = pixmap->PixelAddress(0, y);
    uint8_t* d = result->PixelAddress(0, y);
    for (int32_t x = 0; x < w; ++x) std::memcpy(d + x * b, s + (w - 1 - x) * b, b);
  }
  return result;
}

TPixmapRef MirrorPixmapY(const TPixmapRef& pixmap) {
  const int32_t w = pixmap->width, h = pixmap->height;
  TPixmapRef result = TPixmap::New(w, h, pixmap->format, 4);
  for (int32_t y = 0; y < h; ++y) {
    CopyPixelRow(pixmap->PixelAddress(0, h - 1 - y), result->PixelAddress(0, y), pixmap->format, w);
  }
  return result;
}

// ---- bilinear resampling

namespace {

// Where one result coordinate samples the source: the first and second source index and the
// weight of the second.
struct TSample {
  int32_t first;
  int32_t second;
  float t;
};

#ifdef __SSE2__
// A pixel's four bytes as four floats.
inline __m128 Channels(const uint8_t* p) {
  uint32_t word;
  std::memcpy(&word, p, 4);
  const __m128i zero = _mm_setzero_si128();
  const __m128i bytes = _mm_cvtsi32_si128(static_cast<int>(word));
  return _mm_cvtepi32_ps(_mm_unpacklo_epi16(_mm_unpacklo_epi8(bytes, zero), zero));
}
#endif

TSample SampleAt(int32_t i, float scale, int32_t sourceSize) {
  float s = (static_cast<float>(i) + 0.5f) * scale - 0.5f;
  int32_t first = static_cast<int32_t>(std::floor(s));
  if (first < 0) return {0, 0, 0.0f};
  if (first >= sourceSize - 1) return {sourceSize - 1, sourceSize - 1, 0.0f};
  return {first, first + 1, s - static_cast<float>(first)};
}

}  // namespace

TPixmapRef ResamplePixmap(const TPixmapRef& pixmap, int32_t width, int32_t height) {
  TPixmapRef source = AsRgba(pixmap);
  TPixmapRef result = TPixmap::New(width, height, pixmap->format, 4);
  if (width <= 0 || height <= 0) return result;
  const float xs = static_cast<float>(source->width) / static_cast<float>(width);
  const float ys = static_cast<float>(source->height) / static_cast<float>(height);

  // The column samples are the same for every row: work them out once, as byte offsets.
  struct TColumn {
    int32_t first;
    int32_t second;
    float t;
  };
  std::vector<TColumn> columns(width);
  for (int32_t x = 0; x < width; ++x) {
    TSample s = SampleAt(x, xs, source->width);
    columns[x] = {s.first * 4, s.second * 4, s.t};
  }
  const bool direct = result->format == PF_RGBA8888;
  std::vector<uint8_t> row(direct ? 0 : static_cast<size_t>(width) * 4);

  for (int32_t y = 0; y < height; ++y) {
    TSample sy = SampleAt(y, ys, source->height);
    const uint8_t* r0 = source->PixelAddress(0, sy.first);
    const uint8_t* r1 = source->PixelAddress(0, sy.second);
    const float ty = sy.t;
#ifdef __SSE2__
    const __m128 tyv = _mm_set1_ps(ty);
#endif
    uint8_t* out = direct ? result->PixelAddress(0, y) : row.data();
    for (int32_t x = 0; x < width; ++x, out += 4) {
      const TColumn& c = columns[x];
      const uint8_t* p00 = r0 + c.first;
      const uint8_t* p01 = r0 + c.second;
      const uint8_t* p10 = r1 + c.first;
      const uint8_t* p11 = r1 + c.second;
#ifdef __SSE2__
      // The four channels side by side: the same single-precision operations in the same
      // order as the scalar form below, so the results are bit for bit the same.
      const __m128 tx = _mm_set1_ps(c.t);
      const __m128 a = Channels(p00), b = Channels(p01), e = Channels(p10), f = Channels(p11);
      const __m128 top = _mm_add_ps(a, _mm_mul_ps(_mm_sub_ps(b, a), tx));
      const __m128 bottom = _mm_add_ps(e, _mm_mul_ps(_mm_sub_ps(f, e), tx));
      const __m128i v = _mm_cvttps_epi32(_mm_add_ps(top, _mm_mul_ps(_mm_sub_ps(bottom, top), tyv)));
      const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(v, v), v);
      const uint32_t word = static_cast<uint32_t>(_mm_cvtsi128_si32(packed));
      std::memcpy(out, &word, 4);
#else
      for (int ch = 0; ch < 4; ++ch) {
        float top = p00[ch] + (static_cast<float>(p01[ch]) - p00[ch]) * c.t;
        float bottom = p10[ch] + (static_cast<float>(p11[ch]) - p10[ch]) * c.t;
        out[ch] = static_cast<uint8_t>(static_cast<int32_t>(top + (bottom - top) * ty));
      }
#endif
    }
    if (!direct)
      ConvertPixelRow(row.data(), PF_RGBA8888, result->PixelAddress(0, y), result->format, width);
  }
  return result;
}
