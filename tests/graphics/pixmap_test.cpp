// TPixmap: layout, pixels, conversion, views, colour keying, resampling, mirroring.
#include "graphics/pixmap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "graphics/picture_fixtures.h"
#include "runtime/runtime_error.h"

namespace {

using fixtures::ArgbText;
using Bytes = std::vector<uint8_t>;

// A pixmap filled from ARGB values, row by row.
TPixmapRef FromArgb(int32_t w, int32_t h, int32_t format, const std::vector<uint32_t>& argb) {
  TPixmapRef p = NewPixmap(w, h, format, 4);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) p->PutPixelARGB(x, y, argb[static_cast<size_t>(y) * w + x]);
  }
  return p;
}

std::vector<uint32_t> ToArgb(const TPixmapRef& p) {
  std::vector<uint32_t> out;
  for (int32_t y = 0; y < p->height; ++y) {
    for (int32_t x = 0; x < p->width; ++x) out.push_back(p->GetPixelARGB(x, y));
  }
  return out;
}

Bytes RowBytes(const TPixmapRef& p, int32_t y) {
  const uint8_t* row = p->PixelAddress(0, y);
  return Bytes(row, row + static_cast<size_t>(p->width) * BytesPerPixel[p->format]);
}

TEST(PixmapLayout, PitchRoundsEachRowUpToTheAlignment) {
  struct Case {
    int32_t width, height, format, align, pitch;
  } cases[] = {
      {3, 2, PF_RGB888, 4, 12}, {5, 1, PF_I8, 4, 8},     {1, 1, PF_RGBA8888, 4, 4},
      {4, 3, PF_I8, 4, 4},      {3, 1, PF_BGR888, 1, 9}, {7, 2, PF_BGRA8888, 16, 32},
      {6, 5, PF_A8, 8, 8},      {1, 1, PF_RGB888, 4, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << c.width << "x" << c.height << " format " << c.format << " align " << c.align);
    TPixmapRef p = NewPixmap(c.width, c.height, c.format, c.align);
    EXPECT_EQ(p->pitch, c.pitch);
    EXPECT_EQ(p->capacity, c.pitch * c.height);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p->pixels) % 16, 0u);
    EXPECT_EQ(p->PixelAddress(2, 1) - p->pixels, c.pitch + 2 * BytesPerPixel[c.format]);
  }
}

TEST(PixmapLayout, SizesThatCapacityCannotCountAreRefused) {
  EXPECT_THROW(NewPixmap(100000, 100000, PF_RGBA8888, 4), TRuntimeError);
  EXPECT_THROW(NewPixmap(-1, 4, PF_I8, 4), TRuntimeError);
  EXPECT_TRUE(PixmapFits(16384, 8192, PF_RGBA8888));
  EXPECT_FALSE(PixmapFits(16384, 32768, PF_RGBA8888));
  EXPECT_FALSE(PixmapFits(100000, 100000, PF_RGB888));
  EXPECT_FALSE(PixmapFits(0, 10, PF_I8));
  EXPECT_FALSE(PixmapFits(10, 10, PF_NONE));
}

TEST(PixmapPixels, GetPixelArgbReadsEachLayout) {
  struct Case {
    int32_t format;
    Bytes bytes;
    uint32_t argb;
  } cases[] = {
      {PF_I8, {128}, 0xFF808080},
      {PF_A8, {64}, 0x40FFFFFF},
      {PF_BGR888, {1, 2, 3}, 0xFF030201},
      {PF_RGB888, {1, 2, 3}, 0xFF010203},
      {PF_BGRA8888, {1, 2, 3, 4}, 0x04030201},
      {PF_RGBA8888, {1, 2, 3, 4}, 0x04010203},
      {PF_NONE, {9, 9, 9, 9}, 0},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.format);
    TPixmapRef p = WrapPixels(c.bytes.data(), 1, 1, 4, c.format);
    EXPECT_EQ(ArgbText(p->GetPixelARGB(0, 0)), ArgbText(c.argb));
  }
}

TEST(PixmapPixels, PutPixelArgbStoresEachLayout) {
  // Alpha 0x80, red 16, green 32, blue 48: grey is (16 + 32 + 48) / 3 = 32.
  const uint32_t argb = 0x80102030;
  struct Case {
    int32_t format;
    Bytes bytes;
  } cases[] = {
      {PF_I8, {32, 0xEE, 0xEE, 0xEE}},         {PF_A8, {0x80, 0xEE, 0xEE, 0xEE}},
      {PF_BGR888, {0x30, 0x20, 0x10, 0xEE}},   {PF_RGB888, {0x10, 0x20, 0x30, 0xEE}},
      {PF_BGRA8888, {0x30, 0x20, 0x10, 0x80}}, {PF_RGBA8888, {0x10, 0x20, 0x30, 0x80}},
      {PF_NONE, {0xEE, 0xEE, 0xEE, 0xEE}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    Bytes memory(4, 0xEE);
    WritePixelARGB(WrapPixels(memory.data(), 1, 1, 4, c.format), 0, 0, argb);
    EXPECT_EQ(memory, c.bytes);
  }
}

TEST(PixmapRows, ConvertPixelRowGoesThroughRgba) {
  struct Case {
    const char* name;
    int32_t from;
    Bytes source;
    int32_t to;
    Bytes expected;
  } cases[] = {
      {"BGR888 to A8 is opaque", PF_BGR888, {1, 2, 3, 200, 100, 0}, PF_A8, {255, 255}},
      {"A8 to RGB888 is white", PF_A8, {0, 77}, PF_RGB888, {255, 255, 255, 255, 255, 255}},
      {"RGB888 to I8 truncates the mean", PF_RGB888, {10, 20, 32, 255, 255, 254}, PF_I8, {20, 254}},
      {"I8 to BGRA8888", PF_I8, {9}, PF_BGRA8888, {9, 9, 9, 255}},
      {"BGRA8888 to RGB888 drops alpha", PF_BGRA8888, {1, 2, 3, 4}, PF_RGB888, {3, 2, 1}},
      {"RGB888 to BGR888 swaps", PF_RGB888, {1, 2, 3}, PF_BGR888, {3, 2, 1}},
      {"RGBA8888 to A8 keeps alpha", PF_RGBA8888, {1, 2, 3, 4}, PF_A8, {4}},
      {"RGBA8888 to I8", PF_RGBA8888, {30, 60, 91, 0}, PF_I8, {60}},
      {"A8 to RGBA8888", PF_A8, {5}, PF_RGBA8888, {255, 255, 255, 5}},
      {"RGB888 to RGBA8888",
       PF_RGB888,
       {1, 2, 3, 4, 5, 6, 7, 8, 9},
       PF_RGBA8888,
       {1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255}},
      {"BGR888 to BGRA8888", PF_BGR888, {1, 2, 3}, PF_BGRA8888, {1, 2, 3, 255}},
      {"same format copies", PF_BGRA8888, {1, 2, 3, 4}, PF_BGRA8888, {1, 2, 3, 4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int32_t count = static_cast<int32_t>(c.source.size()) / BytesPerPixel[c.from];
    Bytes out(c.expected.size() + 1, 0xEE);
    ConvertPixelRow(c.source.data(), c.from, out.data(), c.to, count);
    EXPECT_EQ(Bytes(out.begin(), out.end() - 1), c.expected);
    EXPECT_EQ(out.back(), 0xEE) << "wrote past the row";
  }
}

TEST(PixmapRows, LongRowsConvertEveryPixel) {
  // Long enough that a conversion working in slices must get every slice's offset right.
  const int32_t count = 1500;
  Bytes source(count * 3), out(count * 3);
  for (int32_t i = 0; i < count; ++i) {
    source[i * 3] = static_cast<uint8_t>(i);
    source[i * 3 + 1] = static_cast<uint8_t>(i >> 8);
    source[i * 3 + 2] = 7;
  }
  ConvertPixelRow(source.data(), PF_BGR888, out.data(), PF_RGB888, count);
  for (int32_t i = 0; i < count; ++i) {
    ASSERT_EQ(out[i * 3], 7) << i;
    ASSERT_EQ(out[i * 3 + 1], static_cast<uint8_t>(i >> 8)) << i;
    ASSERT_EQ(out[i * 3 + 2], static_cast<uint8_t>(i)) << i;
  }
}

TEST(PixmapCopies, SubViewSharesMemoryWithItsParent) {
  TPixmapRef parent = FromArgb(3, 3, PF_RGB888, std::vector<uint32_t>(9, 0xFF000000));
  TPixmapRef view = GetPixmapSubView(parent, 1, 1, 2, 2);
  EXPECT_EQ(view->capacity, -1);
  EXPECT_EQ(view->pitch, parent->pitch);
  EXPECT_EQ(view->format, PF_RGB888);
  view->PutPixelARGB(1, 0, 0xFF123456);
  EXPECT_EQ(ArgbText(parent->GetPixelARGB(2, 1)), "FF123456");
  view.reset();  // a view frees nothing: the parent's memory is still good
  EXPECT_EQ(ArgbText(parent->GetPixelARGB(2, 1)), "FF123456");
}

TEST(PixmapCopies, DuplicateRepacksRowsIntoOwnMemory) {
  // Two BGR pixels per row in rows 16 bytes apart, with padding that must not be copied.
  Bytes memory(32, 0xAB);
  const Bytes row0 = {1, 2, 3, 4, 5, 6}, row1 = {7, 8, 9, 10, 11, 12};
  std::memcpy(memory.data(), row0.data(), 6);
  std::memcpy(memory.data() + 16, row1.data(), 6);
  TPixmapRef copy = DuplicatePixmap(WrapPixels(memory.data(), 2, 2, 16, PF_BGR888));
  EXPECT_EQ(copy->pitch, 8);
  EXPECT_EQ(copy->format, PF_BGR888);
  EXPECT_GE(copy->capacity, 16);
  EXPECT_EQ(RowBytes(copy, 0), row0);
  EXPECT_EQ(RowBytes(copy, 1), row1);
  memory.assign(32, 0);
  EXPECT_EQ(RowBytes(copy, 1), row1);
}

TEST(PixmapCopies, PasteConvertsIntoTheTargetRectangleOnly) {
  TPixmapRef target = FromArgb(4, 3, PF_RGBA8888, std::vector<uint32_t>(12, 0x11000000));
  TPixmapRef source = FromArgb(2, 2, PF_I8, {0xFF0A0A0A, 0xFF141414, 0xFF1E1E1E, 0xFF282828});
  target->PasteFrom(source, 1, 1);
  const std::vector<uint32_t> expected = {
      0x11000000, 0x11000000, 0x11000000, 0x11000000,  //
      0x11000000, 0xFF0A0A0A, 0xFF141414, 0x11000000,  //
      0x11000000, 0xFF1E1E1E, 0xFF282828, 0x11000000,
  };
  EXPECT_EQ(ToArgb(target), expected);
}

TEST(PixmapCopies, ToFormatKeepsSizeAndPixels) {
  TPixmapRef rgb = FromArgb(
      3, 2, PF_RGB888, {0xFF010203, 0xFF040506, 0xFF070809, 0xFF0A0B0C, 0xFF0D0E0F, 0xFF101112});
  TPixmapRef bgra = ConvertPixmapFormat(rgb, PF_BGRA8888);
  EXPECT_EQ(bgra->format, PF_BGRA8888);
  EXPECT_EQ(bgra->width, 3);
  EXPECT_EQ(bgra->height, 2);
  EXPECT_EQ(ToArgb(bgra), ToArgb(rgb));
  TPixmapRef back = bgra->ToFormat(PF_RGB888);
  EXPECT_EQ(RowBytes(back, 1), RowBytes(rgb, 1));
}

TEST(PixmapColorKey, KeyPixelsBecomeTransparentWithTheirNeighboursColour) {
  const uint32_t key = 0xFF00FF00, red = 0xFFFF0000;
  struct Case {
    const char* name;
    int32_t width, height;
    std::vector<uint32_t> pixels;
    std::vector<uint32_t> expected;
  } cases[] = {
      {"all key: black and transparent", 2, 2, {key, key, key, key}, {0, 0, 0, 0}},
      {"non-key alpha is replaced", 2, 1, {0x00102030, 0x7F405060}, {0xFF102030, 0xFF405060}},
      {"one red neighbour", 3, 1, {red, key, key}, {red, 0x00FF0000, 0x00000000}},
      {"truncated average of the 3 x 3 block",
       3,
       3,
       {0xFF0A0000, key, key,  //
        key, key, key,         //
        key, key, 0xFF0D0302},
       {0xFF0A0000, 0x000A0000, 0x00000000,  //
        0x000A0000, 0x000B0101, 0x000D0302,  //
        0x00000000, 0x000D0302, 0xFF0D0302}},
      {"key alpha is not looked at", 2, 1, {0x0000FF00, 0x80203040}, {0x00203040, 0xFF203040}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TPixmapRef source = FromArgb(c.width, c.height, PF_RGBA8888, c.pixels);
    TPixmapRef keyed = ApplyColorKey(source, 0, 255, 0);
    EXPECT_EQ(keyed->format, PF_RGBA8888);
    std::vector<std::string> got, want;
    for (uint32_t v : ToArgb(keyed)) got.push_back(ArgbText(v));
    for (uint32_t v : c.expected) want.push_back(ArgbText(v));
    EXPECT_EQ(got, want);
    EXPECT_EQ(ToArgb(source), c.pixels) << "the source changed";
  }
}

TEST(PixmapColorKey, WorksOnOtherFormatsWithoutChangingThem) {
  TPixmapRef source = FromArgb(2, 1, PF_BGR888, {0xFFFF00FF, 0xFF204060});
  TPixmapRef keyed = ApplyColorKey(source, 255, 0, 255);
  EXPECT_EQ(keyed->format, PF_RGBA8888);
  EXPECT_EQ(ToArgb(keyed), (std::vector<uint32_t>{0x00204060, 0xFF204060}));
  EXPECT_EQ(source->format, PF_BGR888);
  EXPECT_EQ(ArgbText(source->GetPixelARGB(0, 0)), "FFFF00FF");
}

TEST(PixmapResample, SameSizeReproducesEveryPixel) {
  std::vector<uint32_t> pixels;
  for (uint32_t i = 0; i < 20; ++i) pixels.push_back(i * 0x0B0D1113u + 0x01020304u);
  for (int32_t format : {PF_RGBA8888, PF_BGRA8888}) {
    TPixmapRef p = FromArgb(5, 4, format, pixels);
    TPixmapRef same = ResamplePixmap(p, 5, 4);
    EXPECT_EQ(same->format, format);
    EXPECT_EQ(ToArgb(same), pixels);
  }
}

TEST(PixmapResample, HalvingTakesTheTruncatedAverage) {
  // Per channel (10 + 21 + 30 + 41) / 4 = 25.5, which must come out as 25.
  TPixmapRef p = FromArgb(2, 2, PF_RGBA8888, {0x0A0A0A0A, 0x15151515, 0x1E1E1E1E, 0x29292929});
  TPixmapRef one = ResamplePixmap(p, 1, 1);
  EXPECT_EQ(ArgbText(one->GetPixelARGB(0, 0)), "19191919");
}

TEST(PixmapResample, KeepsTheFormatPassedIn) {
  TPixmapRef grey = FromArgb(4, 2, PF_I8,
                             {0xFF000000, 0xFF646464, 0xFF0A0A0A, 0xFF0A0A0A,  //
                              0xFF646464, 0xFF000000, 0xFF141414, 0xFF1E1E1E});
  TPixmapRef half = ResamplePixmap(grey, 2, 1);
  EXPECT_EQ(half->format, PF_I8);
  EXPECT_EQ(half->PixelAddress(0, 0)[0], 50);
  EXPECT_EQ(half->PixelAddress(1, 0)[0], 17);  // (10 + 10 + 20 + 30) / 4 = 17.5
}

TEST(PixmapResample, EnlargingClampsAtTheEdges) {
  // Samples at -0.25, 0.25, 0.75 and 1.25 of a two-pixel row.
  TPixmapRef row = FromArgb(2, 1, PF_RGBA8888, {0x00000000, 0x64646464});
  TPixmapRef wide = ResamplePixmap(row, 4, 1);
  EXPECT_EQ(ToArgb(wide), (std::vector<uint32_t>{0x00000000, 0x19191919, 0x4B4B4B4B, 0x64646464}));
  TPixmapRef dot = FromArgb(1, 1, PF_RGB888, {0xFF112233});
  EXPECT_EQ(ToArgb(ResamplePixmap(dot, 3, 2)), std::vector<uint32_t>(6, 0xFF112233));
}

// The resampling rule written out plainly, one channel at a time in single precision.
uint8_t ReferenceSample(const TPixmapRef& p, int32_t w, int32_t h, int32_t x, int32_t y, int ch) {
  auto axis = [](int32_t i, float scale, int32_t size, int32_t& first, int32_t& second, float& t) {
    const float s = (static_cast<float>(i) + 0.5f) * scale - 0.5f;
    first = static_cast<int32_t>(std::floor(s));
    if (first < 0) {
      first = second = 0;
      t = 0;
    } else if (first >= size - 1) {
      first = second = size - 1;
      t = 0;
    } else {
      second = first + 1;
      t = s - static_cast<float>(first);
    }
  };
  int32_t x0, x1, y0, y1;
  float tx, ty;
  axis(x, static_cast<float>(p->width) / static_cast<float>(w), p->width, x0, x1, tx);
  axis(y, static_cast<float>(p->height) / static_cast<float>(h), p->height, y0, y1, ty);
  const float p00 = p->PixelAddress(x0, y0)[ch], p01 = p->PixelAddress(x1, y0)[ch];
  const float p10 = p->PixelAddress(x0, y1)[ch], p11 = p->PixelAddress(x1, y1)[ch];
  const float top = p00 + (p01 - p00) * tx, bottom = p10 + (p11 - p10) * tx;
  return static_cast<uint8_t>(static_cast<int32_t>(top + (bottom - top) * ty));
}

TEST(PixmapResample, MatchesTheRuleExactlyForOddSizes) {
  std::vector<uint32_t> pixels;
  uint32_t h = 99;
  for (int i = 0; i < 37 * 23; ++i) pixels.push_back(h = h * 1664525u + 1013904223u);
  TPixmapRef source = FromArgb(37, 23, PF_RGBA8888, pixels);
  const int32_t sizes[][2] = {{16, 29}, {5, 3}, {74, 46}, {1, 40}};
  for (const auto& size : sizes) {
    SCOPED_TRACE(::testing::Message() << size[0] << "x" << size[1]);
    TPixmapRef r = ResamplePixmap(source, size[0], size[1]);
    int wrong = 0;
    for (int32_t y = 0; y < size[1]; ++y) {
      for (int32_t x = 0; x < size[0]; ++x) {
        for (int ch = 0; ch < 4; ++ch) {
          if (r->PixelAddress(x, y)[ch] != ReferenceSample(source, size[0], size[1], x, y, ch))
            ++wrong;
        }
      }
    }
    EXPECT_EQ(wrong, 0);
  }
}

TEST(PixmapMirror, MirrorsLeftRightAndTopBottom) {
  const std::vector<uint32_t> pixels = {0xFF000001, 0xFF000002, 0xFF000003,
                                        0xFF000004, 0xFF000005, 0xFF000006};
  TPixmapRef p = FromArgb(3, 2, PF_RGB888, pixels);
  TPixmapRef x = MirrorPixmapX(p);
  TPixmapRef y = MirrorPixmapY(p);
  EXPECT_EQ(x->format, PF_RGB888);
  EXPECT_EQ(y->format, PF_RGB888);
  EXPECT_EQ(ToArgb(x), (std::vector<uint32_t>{0xFF000003, 0xFF000002, 0xFF000001, 0xFF000006,
                                              0xFF000005, 0xFF000004}));
  EXPECT_EQ(ToArgb(y), (std::vector<uint32_t>{0xFF000004, 0xFF000005, 0xFF000006, 0xFF000001,
                                              0xFF000002, 0xFF000003}));
  EXPECT_EQ(ToArgb(p), pixels);
}

}  // namespace
