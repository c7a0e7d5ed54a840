// The PNG decoder and SavePixmapPng: every colour type and depth, round trips, errors.
#include "graphics/png_decoder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "graphics/picture_fixtures.h"
#include "graphics/pixmap_decoder.h"
#include "runtime/runtime_error.h"

namespace {

using fixtures::ArgbText;
using fixtures::Bytes;
using fixtures::PngPicture;

// A deterministic, irregular sample of the given depth.
uint32_t Sample(int x, int y, int c, int depth) {
  uint32_t h = (x * 73856093u) ^ (y * 19349663u) ^ ((c + 1) * 83492791u);
  h ^= h >> 13;
  h *= 0x5BD1E995u;
  h ^= h >> 15;
  return depth == 32 ? h : h & ((1u << depth) - 1);
}

// A sample of the given depth as the 8-bit value the decoder delivers: 16-bit samples keep
// their high byte, grey below 8 bits is scaled up to the full range.
uint32_t As8(uint32_t v, int depth) {
  if (depth == 16) return v >> 8;
  if (depth == 8) return v;
  return v * 255 / ((1u << depth) - 1);
}

uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return a << 24 | r << 16 | g << 8 | b;
}

struct PngCase {
  std::string name;
  PngPicture picture;
  int32_t format;
  std::function<uint32_t(int x, int y)> argb;
};

PngCase Grey(int depth, bool transparent = false, bool interlaced = false) {
  PngCase c;
  c.name = "grey " + std::to_string(depth) + (transparent ? " + tRNS" : "") +
           (interlaced ? " interlaced" : "");
  c.picture.colorType = PNG_COLOR_TYPE_GRAY;
  c.picture.bitDepth = depth;
  c.picture.interlaced = interlaced;
  c.picture.sample = [depth](int x, int y, int ch) { return Sample(x, y, ch, depth); };
  const uint32_t clear = Sample(0, 0, 0, depth);
  if (transparent) {
    c.picture.hasTransparentColor = true;
    c.picture.transparentColor.gray = static_cast<png_uint_16>(clear);
  }
  c.format = transparent ? PF_RGBA8888 : PF_I8;
  c.argb = [depth, transparent, clear](int x, int y) {
    const uint32_t v = Sample(x, y, 0, depth), g = As8(v, depth);
    return Argb(transparent && v == clear ? 0 : 255, g, g, g);
  };
  return c;
}

PngCase GreyAlpha(int depth, bool interlaced = false) {
  PngCase c;
  c.name = "grey + alpha " + std::to_string(depth) + (interlaced ? " interlaced" : "");
  c.picture.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
  c.picture.bitDepth = depth;
  c.picture.interlaced = interlaced;
  c.picture.sample = [depth](int x, int y, int ch) { return Sample(x, y, ch, depth); };
  c.format = PF_RGBA8888;
  c.argb = [depth](int x, int y) {
    const uint32_t g = As8(Sample(x, y, 0, depth), depth);
    return Argb(As8(Sample(x, y, 1, depth), depth), g, g, g);
  };
  return c;
}

PngCase Rgb(int depth, bool alpha, bool transparent = false, bool interlaced = false) {
  PngCase c;
  c.name = std::string(alpha ? "RGBA " : "RGB ") + std::to_string(depth) +
           (transparent ? " + tRNS" : "") + (interlaced ? " interlaced" : "");
  c.picture.colorType = alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
  c.picture.bitDepth = depth;
  c.picture.interlaced = interlaced;
  c.picture.sample = [depth](int x, int y, int ch) { return Sample(x, y, ch, depth); };
  if (transparent) {
    c.picture.hasTransparentColor = true;
    c.picture.transparentColor.red = static_cast<png_uint_16>(Sample(0, 0, 0, depth));
    c.picture.transparentColor.green = static_cast<png_uint_16>(Sample(0, 0, 1, depth));
    c.picture.transparentColor.blue = static_cast<png_uint_16>(Sample(0, 0, 2, depth));
  }
  c.format = alpha || transparent ? PF_RGBA8888 : PF_RGB888;
  c.argb = [depth, alpha, transparent](int x, int y) {
    uint32_t a = 255;
    if (alpha) a = As8(Sample(x, y, 3, depth), depth);
    bool clear = true;
    for (int ch = 0; ch < 3; ++ch)
      clear = clear && Sample(x, y, ch, depth) == Sample(0, 0, ch, depth);
    if (transparent && clear) a = 0;
    return Argb(a, As8(Sample(x, y, 0, depth), depth), As8(Sample(x, y, 1, depth), depth),
                As8(Sample(x, y, 2, depth), depth));
  };
  return c;
}

PngCase Palette(int depth, bool transparent, bool interlaced = false) {
  PngCase c;
  c.name = "palette " + std::to_string(depth) + (transparent ? " + tRNS" : "") +
           (interlaced ? " interlaced" : "");
  const int entries = 1 << depth;
  c.picture.colorType = PNG_COLOR_TYPE_PALETTE;
  c.picture.bitDepth = depth;
  c.picture.interlaced = interlaced;
  for (int i = 0; i < entries; ++i) {
    c.picture.palette.push_back({static_cast<png_byte>(i * 3), static_cast<png_byte>(255 - i),
                                 static_cast<png_byte>(i * 7)});
  }
  // Fewer alpha values than entries: the rest are opaque.
  if (transparent) {
    for (int i = 0; i < std::max(1, entries / 2); ++i)
      c.picture.paletteAlpha.push_back(static_cast<uint8_t>(i * 40));
  }
  c.picture.sample = [depth](int x, int y, int) { return Sample(x, y, 0, depth); };
  c.format = transparent ? PF_RGBA8888 : PF_RGB888;
  const PngPicture picture = c.picture;
  c.argb = [picture, depth](int x, int y) {
    const uint32_t i = Sample(x, y, 0, depth);
    const png_color& e = picture.palette[i];
    const uint32_t a = i < picture.paletteAlpha.size() ? picture.paletteAlpha[i] : 255;
    return Argb(a, e.red, e.green, e.blue);
  };
  return c;
}

std::vector<PngCase> AllPngKinds() {
  std::vector<PngCase> cases;
  for (int d : {1, 2, 4, 8, 16}) cases.push_back(Grey(d));
  for (int d : {2, 8, 16}) cases.push_back(Grey(d, true));
  for (int d : {8, 16}) cases.push_back(GreyAlpha(d));
  for (int d : {8, 16}) cases.push_back(Rgb(d, false));
  for (int d : {8, 16}) cases.push_back(Rgb(d, false, true));
  for (int d : {8, 16}) cases.push_back(Rgb(d, true));
  for (int d : {1, 2, 4, 8}) {
    cases.push_back(Palette(d, false));
    cases.push_back(Palette(d, true));
  }
  cases.push_back(Grey(1, false, true));
  cases.push_back(GreyAlpha(16, true));
  cases.push_back(Rgb(8, false, false, true));
  cases.push_back(Rgb(16, true, false, true));
  cases.push_back(Palette(4, true, true));
  return cases;
}

class PngDecoderTest : public ::testing::Test {
 protected:
  void SetUp() override { InitPixmaps(); }
};

TEST_F(PngDecoderTest, EveryColourTypeAndDepthLoadsWithItsPixels) {
  for (PngCase& c : AllPngKinds()) {
    SCOPED_TRACE(c.name);
    // Odd sides: partial bytes at row ends and every interlace pass short of a full block.
    c.picture.width = 13;
    c.picture.height = 7;
    const Bytes file = fixtures::EncodePng(c.picture);
    ASSERT_FALSE(file.empty());
    TPixmapRef p = TPngDecoder().Decode(fixtures::Memory(file));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->format, c.format);
    ASSERT_EQ(p->width, 13);
    ASSERT_EQ(p->height, 7);
    int wrong = 0;
    for (int y = 0; y < 7; ++y) {
      for (int x = 0; x < 13; ++x) {
        const uint32_t want = c.argb(x, y), got = p->GetPixelARGB(x, y);
        if (got != want && wrong++ < 3) {
          ADD_FAILURE() << "pixel " << x << "," << y << ": " << ArgbText(got) << " want "
                        << ArgbText(want);
        }
      }
    }
  }
}

TEST_F(PngDecoderTest, GreyAlphaPixelSpreadsItsGreyOverRedGreenBlue) {
  PngPicture p;
  p.width = 1;
  p.height = 1;
  p.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
  p.sample = [](int, int, int ch) { return ch == 0 ? 200u : 50u; };
  TPixmapRef pixmap = LoadPixmapFrom(fixtures::Memory(fixtures::EncodePng(p)));
  ASSERT_TRUE(pixmap);
  EXPECT_EQ(pixmap->format, PF_RGBA8888);
  EXPECT_EQ(ArgbText(pixmap->GetPixelARGB(0, 0)), ArgbText(Argb(50, 200, 200, 200)));
}

TEST_F(PngDecoderTest, SavedPixmapsOfEveryFormatLoadBackTheSame) {
  struct Case {
    int32_t format;
    int32_t loadsAs;
  } cases[] = {
      {PF_I8, PF_I8},         {PF_A8, PF_RGBA8888},       {PF_BGR888, PF_RGB888},
      {PF_RGB888, PF_RGB888}, {PF_BGRA8888, PF_RGBA8888}, {PF_RGBA8888, PF_RGBA8888},
  };
  for (const Case& c : cases) {
    for (int level : {0, 6, 9}) {
      SCOPED_TRACE(::testing::Message() << "format " << c.format << " level " << level);
      // Seven pixels wide, so rows carry padding that must not end up in the file.
      TPixmapRef source = NewPixmap(7, 5, c.format, 4);
      for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) source->PutPixelARGB(x, y, Sample(x, y, level, 32));
      }
      std::vector<uint32_t> before;
      for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) before.push_back(source->GetPixelARGB(x, y));
      }
      auto file = TMemoryStream::Growing();
      ASSERT_EQ(SavePixmapPng(source, file, level), 1);
      file->Seek(0);
      TPixmapRef loaded = LoadPixmapFrom(file);
      ASSERT_TRUE(loaded);
      EXPECT_EQ(loaded->format, c.loadsAs);
      ASSERT_EQ(loaded->width, 7);
      ASSERT_EQ(loaded->height, 5);
      std::vector<uint32_t> after, unchanged;
      for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) {
          after.push_back(loaded->GetPixelARGB(x, y));
          unchanged.push_back(source->GetPixelARGB(x, y));
        }
      }
      EXPECT_EQ(after, before);
      EXPECT_EQ(unchanged, before) << "saving changed the pixmap";
    }
  }
}

TEST_F(PngDecoderTest, SavingToAFileAndLoadingItByPath) {
  const std::string path = ::testing::TempDir() + "pixmap_round_trip.png";
  TPixmapRef source = NewPixmap(3, 2, PF_RGB888, 4);
  for (int i = 0; i < 6; ++i) source->PutPixelARGB(i % 3, i / 3, 0xFF000000u | Sample(i, 0, 0, 24));
  ASSERT_EQ(SavePixmapPng(source, path, 9), 1);
  TPixmapRef loaded = LoadPixmapFrom(path);
  ASSERT_TRUE(loaded);
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(loaded->GetPixelARGB(i % 3, i / 3), source->GetPixelARGB(i % 3, i / 3));
  std::remove(path.c_str());
}

TEST_F(PngDecoderTest, SavingReportsDestinationsItCannotWrite) {
  TPixmapRef source = NewPixmap(2, 2, PF_RGBA8888, 4);
  std::memset(source->pixels, 0, source->capacity);
  EXPECT_EQ(SavePixmapPng(source, "/nonexistent-directory/x.png", 6), 0);
  // A stream that takes no bytes: the write error ends the save, which must not claim success.
  const uint8_t readOnly[1] = {0};
  EXPECT_EQ(SavePixmapPng(source, TMemoryStream::Borrow(readOnly, 0), 6), 0);
  // A level zlib does not know is a libpng error, not a crash.
  EXPECT_EQ(SavePixmapPng(source, TMemoryStream::Growing(), 42), 0);
}

TEST_F(PngDecoderTest, AStreamErrorInsideLibpngComesOutAsTheStreamError) {
  const Bytes file = fixtures::SmallPng(64, 64);
  const int64_t cut = static_cast<int64_t>(fixtures::FindChunk(file, "IDAT")) + 20;
  auto failing = std::make_shared<fixtures::FailingStream>(file, cut);
  try {
    TPngDecoder().Decode(failing);
    ADD_FAILURE() << "no error";
  } catch (const TRuntimeError& error) {
    EXPECT_EQ(error.Text(), "Error reading from stream");
  }
  // Through the registry that error only means "not this decoder".
  failing->Seek(0);
  EXPECT_FALSE(LoadPixmapFrom(failing));
}

}  // namespace
