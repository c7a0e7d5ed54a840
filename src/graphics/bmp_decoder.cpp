// The BMP decoder: file and info headers, palettes, bit fields, row order.
#include "graphics/bmp_decoder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <vector>

namespace {

enum : uint32_t { kRgb = 0, kBitFields = 3 };
constexpr int32_t kFileHeaderSize = 14;

uint16_t Le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// One channel of a bit-field pixel, scaled to 8 bits.
struct TField {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;

  explicit TField(uint32_t m = 0) : mask(m) {
    if (!m) return;
    shift = std::countr_zero(m);
    max = m >> shift;
  }
  uint8_t Get(uint32_t pixel, uint8_t absent) const {
    if (!mask) return absent;
    return static_cast<uint8_t>((static_cast<uint64_t>((pixel & mask) >> shift) * 255 + max / 2) /
                                max);
  }
};

}  // namespace

TPixmapRef TBmpDecoder::Decode(const TStreamRef& stream) {
  const int64_t start = stream->Pos();
  uint8_t file[kFileHeaderSize] = {};
  if (stream->ReadBytes(file, kFileHeaderSize) != kFileHeaderSize) return nullptr;
  if (file[0] != 'B' || file[1] != 'M') return nullptr;
  const uint32_t dataOffset = Le32(file + 10);

  uint8_t info[124] = {};
  if (stream->ReadBytes(info, 4) != 4) return nullptr;
  const uint32_t infoSize = Le32(info);
  if (infoSize != 12 && infoSize != 40 && infoSize != 52 && infoSize != 56 && infoSize != 108 &&
      infoSize != 124) {
    return nullptr;
  }
  if (stream->ReadBytes(info + 4, infoSize - 4) != infoSize - 4) return nullptr;

  int64_t width, height;
  uint32_t bitCount, compression = kRgb, colorsUsed = 0;
  int32_t paletteEntryBytes = 4;
  if (infoSize == 12) {
    width = Le16(info + 4);
    height = Le16(info + 6);
    if (Le16(info + 8) != 1) return nullptr;
    bitCount = Le16(info + 10);
    paletteEntryBytes = 3;
  } else {
    width = static_cast<int32_t>(Le32(info + 4));
    height = static_cast<int32_t>(Le32(info + 8));
    if (Le16(info + 12) != 1) return nullptr;
    bitCount = Le16(info + 14);
    compression = Le32(info + 16);
    colorsUsed = Le32(info + 32);
  }
  if (dataOffset < kFileHeaderSize + infoSize) return nullptr;
  const bool topDown = height < 0;
  if (topDown) height = -height;

  // Channel masks: from the header when it is long enough, else right after it.
  TField red, green, blue, alpha;
  if (compression == kBitFields) {
    if (bitCount != 16 && bitCount != 32) return nullptr;
    uint8_t masks[12];
    const uint8_t* m = info + 40;
    if (infoSize == 40) {
      if (stream->ReadBytes(masks, 12) != 12) return nullptr;
      m = masks;
    }
    red = TField(Le32(m));
    green = TField(Le32(m + 4));
    blue = TField(Le32(m + 8));
    if (infoSize >= 56) alpha = TField(Le32(info + 52));
    if (!red.mask && !green.mask && !blue.mask) return nullptr;
  } else if (compression == kRgb) {
    if (bitCount == 16) {
      red = TField(0x7C00);
      green = TField(0x03E0);
      blue = TField(0x001F);
    }
  } else {
    return nullptr;
  }

  const bool paletted = bitCount == 1 || bitCount == 4 || bitCount == 8;
  if (!paletted && bitCount != 16 && bitCount != 24 && bitCount != 32) return nullptr;
  const int32_t format = bitCount == 32 ? PF_BGRA8888 : PF_BGR888;
  if (!PixmapFits(width, height, format)) return nullptr;

  // The palette as B, G, R for all 256 indices; indices past its end are black.
  uint8_t palette[256 * 3] = {};
  if (paletted) {
    const uint32_t most = 1u << bitCount;
    uint32_t entries = colorsUsed == 0 || colorsUsed > most ? most : colorsUsed;
    // Short palettes are common where the header leaves the count implicit: the data offset
    // says how many entries are really there.
    entries =
        std::min<uint32_t>(entries, (dataOffset - kFileHeaderSize - infoSize) / paletteEntryBytes);
    std::vector<uint8_t> raw(entries * paletteEntryBytes);
    if (stream->ReadBytes(raw.data(), static_cast<int64_t>(raw.size())) !=
        static_cast<int64_t>(raw.size())) {
      return nullptr;
    }
    for (uint32_t i = 0; i < entries; ++i)
      std::memcpy(palette + i * 3, &raw[i * paletteEntryBytes], 3);
  }

  const int64_t stride = (width * bitCount + 31) / 32 * 4;
  // A stream too short for the rows it claims is declined before a pixmap is allocated.
  const int64_t size = stream->Size();
  if (start >= 0 && size >= 0 && size - start < dataOffset + stride * height) return nullptr;
  if (stream->Seek(start + dataOffset) != start + dataOffset) return nullptr;

  TPixmapRef pixmap =
      TPixmap::New(static_cast<int32_t>(width), static_cast<int32_t>(height), format, 4);
  std::vector<uint8_t> row(static_cast<size_t>(stride));
  bool anyAlpha = false;
  for (int64_t i = 0; i < height; ++i) {
    if (stream->ReadBytes(row.data(), stride) != stride) return nullptr;
    uint8_t* out = pixmap->PixelAddress(0, static_cast<int32_t>(topDown ? i : height - 1 - i));
    const uint8_t* in = row.data();
    for (int64_t x = 0; x < width; ++x) {
      switch (bitCount) {
        case 1:
        case 4:
        case 8: {
          const int64_t bit = x * bitCount;
          const uint32_t index = (in[bit / 8] >> (8 - bitCount - bit % 8)) & ((1u << bitCount) - 1);
          std::memcpy(out, palette + index * 3, 3);
          out += 3;
          break;
        }
        case 16: {
          const uint32_t v = Le16(in + x * 2);
          out[0] = blue.Get(v, 0);
          out[1] = green.Get(v, 0);
          out[2] = red.Get(v, 0);
          out += 3;
          break;
        }
        case 24:
          std::memcpy(out, in + x * 3, 3);
          out += 3;
          break;
        case 32: {
          const uint8_t* p = in + x * 4;
          if (compression == kRgb) {
            std::memcpy(out, p, 4);
          } else {
            const uint32_t v = Le32(p);
            out[0] = blue.Get(v, 0);
            out[1] = green.Get(v, 0);
            out[2] = red.Get(v, 0);
            out[3] = alpha.Get(v, 255);
          }
          anyAlpha |= out[3] != 0;
          out += 4;
          break;
        }
      }
    }
  }
  // Most 32-bit bitmaps leave the fourth byte 0 and mean it as padding, not as transparency.
  if (bitCount == 32 && !anyAlpha) {
    for (int32_t y = 0; y < pixmap->height; ++y) {
      uint8_t* p = pixmap->PixelAddress(0, y);
      for (int32_t x = 0; x < pixmap->width; ++x) p[x * 4 + 3] = 255;
    }
  }
  return pixmap;
}
