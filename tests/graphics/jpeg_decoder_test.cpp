// The JPEG decoder: grey, colour and progressive files, refusals, stream errors.
#include "graphics/jpeg_decoder.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "graphics/picture_fixtures.h"
#include "runtime/runtime_error.h"

namespace {

using fixtures::Bytes;

// JPEG is lossy: a smooth picture at quality 95 comes back within a few levels.
void ExpectClose(const TPixmapRef& p, const Bytes& samples, int components) {
  int worst = 0;
  for (int y = 0; y < p->height; ++y) {
    for (int x = 0; x < p->width; ++x) {
      for (int c = 0; c < components; ++c) {
        const int want = samples[(static_cast<size_t>(y) * p->width + x) * components + c];
        worst = std::max(worst, std::abs(p->PixelAddress(x, y)[c] - want));
      }
    }
  }
  EXPECT_LE(worst, 4);
}

TEST(JpegDecoderTest, GreyLoadsAsI8AndColourAsRgb888) {
  struct Case {
    int components;
    bool progressive;
    int32_t format;
  } cases[] = {{1, false, PF_I8}, {3, false, PF_RGB888}, {3, true, PF_RGB888}, {1, true, PF_I8}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << c.components << " components, progressive " << c.progressive);
    const Bytes samples = fixtures::SmoothSamples(37, 21, c.components);
    TPixmapRef p = TJpegDecoder().Decode(
        fixtures::Memory(fixtures::EncodeJpeg(37, 21, c.components, samples, c.progressive)));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->format, c.format);
    EXPECT_EQ(p->width, 37);
    EXPECT_EQ(p->height, 21);
    ExpectClose(p, samples, c.components);
  }
}

TEST(JpegDecoderTest, FourComponentPicturesAndOtherFormatsAreDeclined) {
  const Bytes cmyk = fixtures::EncodeJpeg(8, 8, 4, fixtures::SmoothSamples(8, 8, 4));
  ASSERT_FALSE(cmyk.empty());
  EXPECT_FALSE(TJpegDecoder().Decode(fixtures::Memory(cmyk)));
  EXPECT_FALSE(TJpegDecoder().Decode(fixtures::Memory(fixtures::SmallPng())));
}

TEST(JpegDecoderTest, AStreamErrorInsideLibjpegComesOutAsTheStreamError) {
  const Bytes file = fixtures::EncodeJpeg(64, 64, 3, fixtures::SmoothSamples(64, 64, 3));
  auto failing =
      std::make_shared<fixtures::FailingStream>(file, static_cast<int64_t>(file.size() / 2));
  try {
    TJpegDecoder().Decode(failing);
    ADD_FAILURE() << "no error";
  } catch (const TRuntimeError& error) {
    EXPECT_EQ(error.Text(), "Error reading from stream");
  }
}

}  // namespace
