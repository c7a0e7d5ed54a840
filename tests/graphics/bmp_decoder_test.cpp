// The BMP decoder: palettes, 16, 24 and 32 bits, bit fields, row orders, the OS/2 header.
#include "graphics/bmp_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/picture_fixtures.h"

namespace {

using fixtures::ArgbText;
using fixtures::Bmp;
using fixtures::Bytes;

Bytes Masks(uint32_t red, uint32_t green, uint32_t blue) {
  Bytes m;
  fixtures::PutLe32(m, red);
  fixtures::PutLe32(m, green);
  fixtures::PutLe32(m, blue);
  return m;
}

// An OS/2 bitmap: 12-byte info header and three-byte palette entries.
Bytes CoreBmp(int width, int height, int bits, const Bytes& palette, const Bytes& data) {
  const uint32_t offset = 14 + 12 + static_cast<uint32_t>(palette.size());
  Bytes b = {'B', 'M'};
  fixtures::PutLe32(b, offset + static_cast<uint32_t>(data.size()));
  fixtures::PutLe32(b, 0);
  fixtures::PutLe32(b, offset);
  fixtures::PutLe32(b, 12);
  fixtures::PutLe16(b, width);
  fixtures::PutLe16(b, height);
  fixtures::PutLe16(b, 1);
  fixtures::PutLe16(b, bits);
  b = fixtures::Appended(fixtures::Appended(b, palette), data);
  return b;
}

TEST(BmpDecoderTest, ReadsEachUncompressedDepth) {
  const Bytes palette = {10, 20, 30, 0, 40, 50, 60, 0, 70, 80, 90, 0};
  const fixtures::PictureCase cases[] = {
      {"24 bits bottom-up, padded rows",
       Bmp(3, 2, 24,
           {{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0}, {11, 12, 13, 14, 15, 16, 17, 18, 19, 0, 0, 0}}),
       PF_BGR888,
       3,
       {0xFF0D0C0B, 0xFF100F0E, 0xFF131211, 0xFF030201, 0xFF060504, 0xFF090807}},
      {"24 bits top-down",
       Bmp(1, -2, 24, {{1, 2, 3, 0}, {4, 5, 6, 0}}),
       PF_BGR888,
       1,
       {0xFF030201, 0xFF060504}},
      {"8-bit palette",
       Bmp(3, 1, 8, {{2, 0, 1, 0}}, palette),
       PF_BGR888,
       3,
       {0xFF5A5046, 0xFF1E140A, 0xFF3C3228}},
      {"4-bit palette",
       Bmp(3, 1, 4, {{0x21, 0x00, 0, 0}}, palette),
       PF_BGR888,
       3,
       {0xFF5A5046, 0xFF3C3228, 0xFF1E140A}},
      {"1-bit palette",
       Bmp(10, 1, 1, {{0xA0, 0x40, 0, 0}}, Bytes(palette.begin(), palette.begin() + 8)),
       PF_BGR888,
       10,
       {0xFF3C3228, 0xFF1E140A, 0xFF3C3228, 0xFF1E140A, 0xFF1E140A, 0xFF1E140A, 0xFF1E140A,
        0xFF1E140A, 0xFF1E140A, 0xFF3C3228}},
      {"index past the palette is black",
       Bmp(1, 1, 8, {{7, 0, 0, 0}}, palette),
       PF_BGR888,
       1,
       {0xFF000000}},
      {"16 bits 5-5-5",
       Bmp(2, 1, 16, {{0x00, 0x7C, 0x10, 0x42}}),
       PF_BGR888,
       2,
       {0xFFFF0000, 0xFF848484}},
      {"32 bits with alpha",
       Bmp(2, 1, 32, {{1, 2, 3, 4, 5, 6, 7, 0}}),
       PF_BGRA8888,
       2,
       {0x04030201, 0x00070605}},
      {"32 bits with the fourth byte unused",
       Bmp(2, 1, 32, {{1, 2, 3, 0, 5, 6, 7, 0}}),
       PF_BGRA8888,
       2,
       {0xFF030201, 0xFF070605}},
      {"32-bit fields in R, G, B, X order",
       Bmp(1, 1, 32, {{1, 2, 3, 4}}, Masks(0x000000FF, 0x0000FF00, 0x00FF0000), 3),
       PF_BGRA8888,
       1,
       {0xFF010203}},
      {"16-bit fields 5-6-5",
       Bmp(1, 1, 16, {{0xE0, 0x07, 0, 0}}, Masks(0xF800, 0x07E0, 0x001F), 3),
       PF_BGR888,
       1,
       {0xFF00FF00}},
      {"OS/2 header",
       CoreBmp(2, 1, 8, {10, 20, 30, 40, 50, 60}, {1, 0, 0, 0}),
       PF_BGR888,
       2,
       {0xFF3C3228, 0xFF1E140A}},
  };
  for (const auto& c : cases) fixtures::ExpectPicture<TBmpDecoder>(c);
}

TEST(BmpDecoderTest, ReadsFromWhereTheStreamStands) {
  // A bitmap embedded at an offset: its data offset counts from its own start.
  const Bytes bmp = Bmp(1, 1, 24, {{1, 2, 3, 0}});
  auto stream = fixtures::Memory(fixtures::Appended(Bytes(7, 0xEE), bmp));
  stream->Seek(7);
  TPixmapRef p = TBmpDecoder().Decode(stream);
  ASSERT_TRUE(p);
  EXPECT_EQ(ArgbText(p->GetPixelARGB(0, 0)), "FF030201");
}

}  // namespace
