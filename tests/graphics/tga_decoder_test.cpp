// The TGA decoder: pixel depths, colour maps, run-length packets and row orders.
#include "graphics/tga_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/picture_fixtures.h"

namespace {

using fixtures::Bytes;

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

TEST(TgaDecoderTest, ReadsEachKindTheHeaderAllows) {
  using fixtures::TgaHeader;
  const fixtures::PictureCase cases[] = {
      {"24 bits, bottom-up",
       Cat({TgaHeader(2, 2, 2, 24, 0), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}}),
       PF_BGR888,
       2,
       {0xFF090807, 0xFF0C0B0A, 0xFF030201, 0xFF060504}},
      {"24 bits, top-down",
       Cat({TgaHeader(2, 2, 2, 24, 0x20), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}}),
       PF_BGR888,
       2,
       {0xFF030201, 0xFF060504, 0xFF090807, 0xFF0C0B0A}},
      {"24 bits, right to left",
       Cat({TgaHeader(2, 2, 1, 24, 0x30), {1, 2, 3, 4, 5, 6}}),
       PF_BGR888,
       2,
       {0xFF060504, 0xFF030201}},
      {"32 bits with alpha",
       Cat({TgaHeader(2, 2, 1, 32, 0x28), {1, 2, 3, 4, 5, 6, 7, 8}}),
       PF_BGRA8888,
       2,
       {0x04030201, 0x08070605}},
      {"32 bits without attribute bits",
       Cat({TgaHeader(2, 1, 1, 32, 0x20), {1, 2, 3, 0}}),
       PF_BGRA8888,
       1,
       {0xFF030201}},
      {"16 bits",
       Cat({TgaHeader(2, 4, 1, 16, 0x20), {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0x10, 0x42}}),
       PF_BGR888,
       4,
       {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF848484}},
      {"15 bits", Cat({TgaHeader(2, 1, 1, 15, 0x20), {0x1F, 0x80}}), PF_BGR888, 1, {0xFF0000FF}},
      {"colour map of 24-bit entries",
       Cat({TgaHeader(1, 3, 1, 8, 0x20, 1, 2, 24), {10, 20, 30, 40, 50, 60}, {1, 0, 1}}),
       PF_BGR888,
       3,
       {0xFF3C3228, 0xFF1E140A, 0xFF3C3228}},
      {"run-length packets running over a row end",
       Cat({TgaHeader(10, 3, 2, 24, 0x20), {0x83, 1, 2, 3}, {0x01, 4, 5, 6, 7, 8, 9}}),
       PF_BGR888,
       3,
       {0xFF030201, 0xFF030201, 0xFF030201, 0xFF030201, 0xFF060504, 0xFF090807}},
      {"image id skipped",
       Cat({fixtures::Patched(TgaHeader(2, 1, 1, 24, 0), 0, {3}), {9, 9, 9}, {1, 2, 3}}),
       PF_BGR888,
       1,
       {0xFF030201}},
  };
  for (const auto& c : cases) fixtures::ExpectPicture<TTgaDecoder>(c);
}

TEST(TgaDecoderTest, FilesOfOtherFormatsAreDeclined) {
  EXPECT_FALSE(TTgaDecoder().Decode(fixtures::Memory(fixtures::SmallPng())));
  EXPECT_FALSE(TTgaDecoder().Decode(fixtures::Memory(fixtures::Bmp(1, 1, 24, {Bytes(4, 0)}))));
  EXPECT_FALSE(TTgaDecoder().Decode(
      fixtures::Memory(fixtures::EncodeJpeg(8, 8, 1, fixtures::SmoothSamples(8, 8, 1)))));
}

}  // namespace
