// The TGA decoder: header checks, colour maps, run-length packets, row order.
#include "graphics/tga_decoder.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

enum : uint8_t { kColorMapped = 1, kTrueColor = 2, kTrueColorRle = 10 };
constexpr int32_t kMaxSide = 4096;

uint16_t Le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}

// One file colour to an output pixel: B, G, R, and A for four bytes. The fourth byte of a
// 32-bit colour is alpha only when the header says the pixels carry attribute bits.
void StoreColor(const uint8_t* e, int32_t bits, bool alpha, uint8_t* out, int32_t outBytes) {
  if (bits <= 16) {
    // 15 and 16 bits are both x1r5g5b5; the top bit is not trusted as alpha.
    uint16_t v = Le16(e);
    auto widen = [](int c) { return static_cast<uint8_t>(c << 3 | c >> 2); };
    out[0] = widen(v & 31);
    out[1] = widen(v >> 5 & 31);
    out[2] = widen(v >> 10 & 31);
    if (outBytes == 4) out[3] = 255;
  } else {
    out[0] = e[0];
    out[1] = e[1];
    out[2] = e[2];
    if (outBytes == 4) out[3] = bits == 32 && alpha ? e[3] : 255;
  }
}

// Buffered reading: run-length data is taken a few bytes at a time.
class TReader {
 public:
  explicit TReader(TStream& stream) : stream_(stream) {}
  bool Read(uint8_t* out, size_t n) {
    while (n > 0) {
      if (pos_ == len_) {
        len_ = static_cast<size_t>(stream_.ReadBytes(buffer_, sizeof buffer_));
        pos_ = 0;
        if (len_ == 0) return false;
      }
      size_t take = std::min(n, len_ - pos_);
      std::memcpy(out, buffer_ + pos_, take);
      pos_ += take;
      out += take;
      n -= take;
    }
    return true;
  }

 private:
  TStream& stream_;
  uint8_t buffer_[4096];
  size_t pos_ = 0;
  size_t len_ = 0;
};

// The picture's elements in file order, through run-length packets when the type has them.
// Packets may run on from one row into the next.
class TElements {
 public:
  TElements(TReader& reader, int32_t size, bool rle) : reader_(reader), size_(size), rle_(rle) {}
  bool Row(uint8_t* out, int32_t count) {
    if (!rle_) return reader_.Read(out, static_cast<size_t>(count) * size_);
    while (count > 0) {
      if (left_ == 0) {
        uint8_t head;
        if (!reader_.Read(&head, 1)) return false;
        left_ = (head & 0x7F) + 1;
        repeat_ = head & 0x80;
        if (repeat_ && !reader_.Read(value_, size_)) return false;
      }
      int32_t take = std::min(left_, count);
      if (repeat_) {
        for (int32_t i = 0; i < take; ++i, out += size_) std::memcpy(out, value_, size_);
      } else {
        if (!reader_.Read(out, static_cast<size_t>(take) * size_)) return false;
        out += static_cast<size_t>(take) * size_;
      }
      left_ -= take;
      count -= take;
    }
    return true;
  }

 private:
  TReader& reader_;
  int32_t size_;
  bool rle_;
  int32_t left_ = 0;
  bool repeat_ = false;
  uint8_t value_[4] = {};
};

}  // namespace

TPixmapRef TTgaDecoder::Decode(const TStreamRef& stream) {
  const int64_t start = stream->Pos();
  uint8_t h[18] = {};
  if (stream->ReadBytes(h, 18) != 18) return nullptr;
  const uint8_t idLength = h[0], mapType = h[1], type = h[2];
  const int32_t mapFirst = Le16(h + 3), mapLength = Le16(h + 5), mapBits = h[7];
  const int32_t width = Le16(h + 12), height = Le16(h + 14), bits = h[16];
  const uint8_t descriptor = h[17];
  auto colorBits = [](int32_t b) { return b == 15 || b == 16 || b == 24 || b == 32; };

  // With no signature to go by, the header is checked strictly.
  if (width < 1 || width > kMaxSide || height < 1 || height > kMaxSide) return nullptr;
  if (descriptor & 0xC0) return nullptr;  // interleaved rows: an obsolete layout
  int32_t elementBits;
  if (type == kTrueColor || type == kTrueColorRle) {
    if (mapType != 0 || !colorBits(bits)) return nullptr;
    elementBits = bits;
  } else if (type == kColorMapped) {
    // NOTE: a colour-mapped picture is meaningless without its map, so type 1 requires one.
    if (mapType != 1 || bits != 8 || !colorBits(mapBits) || mapLength < 1 ||
        mapFirst + mapLength > 256) {
      return nullptr;
    }
    elementBits = mapBits;
  } else {
    return nullptr;
  }
  const bool alpha = (descriptor & 0x0F) != 0;
  const int32_t format = elementBits == 32 ? PF_BGRA8888 : PF_BGR888;
  const int32_t outBytes = BytesPerPixel[format];

  // An uncompressed picture's size is known: a stream too short for it is declined before a
  // pixmap is allocated for it.
  const int32_t fileBytes = (bits + 7) / 8;
  if (type != kTrueColorRle && start >= 0) {
    int64_t need = 18 + idLength + static_cast<int64_t>(width) * height * fileBytes;
    if (type == kColorMapped) need += static_cast<int64_t>(mapLength) * ((mapBits + 7) / 8);
    int64_t size = stream->Size();
    if (size >= 0 && size - start < need) return nullptr;
  }

  TReader reader(*stream);
  std::vector<uint8_t> skip(idLength);
  if (!reader.Read(skip.data(), skip.size())) return nullptr;

  // The colour map, as output pixels for all 256 indices; indices outside it are black.
  std::vector<uint8_t> palette;
  if (type == kColorMapped) {
    const int32_t entryBytes = (mapBits + 7) / 8;
    std::vector<uint8_t> entries(static_cast<size_t>(mapLength) * entryBytes);
    if (!reader.Read(entries.data(), entries.size())) return nullptr;
    palette.assign(256 * outBytes, 0);
    for (int32_t i = 0; i < mapLength; ++i) {
      StoreColor(&entries[static_cast<size_t>(i) * entryBytes], mapBits, alpha,
                 &palette[static_cast<size_t>(mapFirst + i) * outBytes], outBytes);
    }
  }

  TPixmapRef pixmap = TPixmap::New(width, height, format, 4);
  TElements elements(reader, fileBytes, type == kTrueColorRle);
  std::vector<uint8_t> row(static_cast<size_t>(width) * fileBytes);
  const bool topDown = descriptor & 0x20, rightToLeft = descriptor & 0x10;
  for (int32_t i = 0; i < height; ++i) {
    if (!elements.Row(row.data(), width)) return nullptr;
    uint8_t* out = pixmap->PixelAddress(0, topDown ? i : height - 1 - i);
    for (int32_t x = 0; x < width; ++x) {
      const uint8_t* e = &row[static_cast<size_t>(x) * fileBytes];
      uint8_t* o = out + static_cast<size_t>(rightToLeft ? width - 1 - x : x) * outBytes;
      if (type == kColorMapped) {
        std::memcpy(o, &palette[static_cast<size_t>(e[0]) * outBytes], outBytes);
      } else {
        StoreColor(e, bits, alpha, o, outBytes);
      }
    }
  }
  return pixmap;
}
