// The TrueType face over FreeType: opening from paths and streams, metrics, glyph bitmaps of
// every pixel mode, and sources that are not usable fonts.
#include "graphics/truetype_face.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "graphics/graphics_module.h"
#include "runtime/stream.h"

namespace {

using Bytes = std::vector<uint8_t>;

const char* const kSans = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";

std::string Embed(const std::string& name, Bytes bytes) {
  static std::vector<std::unique_ptr<Bytes>> kept;
  kept.push_back(std::make_unique<Bytes>(std::move(bytes)));
  RegisterEmbeddedData(name, kept.back()->data(), static_cast<int64_t>(kept.back()->size()));
  return "incbin::" + name;
}

uint32_t Be32(const Bytes& b, size_t at) {
  return static_cast<uint32_t>(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}
uint16_t Be16(const Bytes& b, size_t at) {
  return static_cast<uint16_t>(b[at] << 8 | b[at + 1]);
}

size_t TableOffset(const Bytes& font, const char* tag) {
  for (int i = 0; i < Be16(font, 4); ++i) {
    const size_t record = 12 + 16 * static_cast<size_t>(i);
    if (std::memcmp(&font[record], tag, 4) == 0) return Be32(font, record + 8);
  }
  return 0;
}

// The font with glyph g's last contour end point pushed far past its points, so FreeType
// refuses to load that glyph while the rest of the font stays intact.
Bytes WithBrokenGlyph(Bytes font, uint32_t g) {
  const size_t head = TableOffset(font, "head"), loca = TableOffset(font, "loca"),
               glyf = TableOffset(font, "glyf");
  const bool longLoca = Be16(font, head + 50) != 0;
  const size_t at = glyf + (longLoca ? Be32(font, loca + 4 * g) : 2u * Be16(font, loca + 2 * g));
  const int contours = static_cast<int16_t>(Be16(font, at));
  const size_t last = at + 10 + 2 * static_cast<size_t>(contours - 1);
  font[last] = 0xFF;
  font[last + 1] = 0xF0;
  return font;
}

class TrueTypeFaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitGraphics();
    sans = LoadBytes(kSans);
    ASSERT_FALSE(sans.empty()) << "fonts-liberation2 is needed";
  }
  Bytes sans;
};

TEST_F(TrueTypeFaceTest, OpensFromAPathOrAStreamWithTheSizeMetrics) {
  auto fromPath = TTrueTypeFace::Open(kSans, 32, 5);
  auto fromStream = TTrueTypeFace::Open(Embed("face_test/sans.ttf", sans), 32, 5);
  for (const auto& face : {fromPath, fromStream}) {
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->Style(), 5);
    // Liberation Sans at 32 pixels: line height 37, ascent 29, descent -7 (whole pixels).
    EXPECT_EQ(face->Height(), 37);
    EXPECT_EQ(face->ascent, 29);
    EXPECT_EQ(face->descent, -7);
    EXPECT_GT(face->GlyphCount(), 200);
  }
  auto face = fromStream;
  const int32_t a = face->GlyphIndexOf('A');
  ASSERT_GE(a, 0);
  auto glyph = std::dynamic_pointer_cast<TFreeTypeGlyph>(face->GlyphAt(a));
  ASSERT_NE(glyph, nullptr);
  EXPECT_EQ(face->GlyphAt(a), glyph) << "cached";
  ASSERT_NE(glyph->pixmap, nullptr);
  EXPECT_EQ(glyph->pixmap->format, PF_A8);
  EXPECT_EQ(glyph->pixmap->width, glyph->width);
  EXPECT_EQ(glyph->pixmap->height, glyph->height);
  EXPECT_EQ(glyph->Advance(), 21.0f);
  // A capital stands on the baseline: its top is the cap height below the ascent line.
  EXPECT_EQ(glyph->offsetY + glyph->height, face->ascent);
  EXPECT_EQ(face->GlyphIndexOf(0x4E00), -1) << "no CJK in Liberation Sans";

  auto space = face->GlyphAt(face->GlyphIndexOf(' '));
  EXPECT_EQ(space->GlyphPixmap(), nullptr);
  EXPECT_GT(space->Advance(), 0.0f);
}

TEST_F(TrueTypeFaceTest, AGlyphFreeTypeCannotLoadStaysCachedAsEmpty) {
  FT_Library library;
  ASSERT_EQ(FT_Init_FreeType(&library), 0);
  FT_Face probe;
  ASSERT_EQ(FT_New_Memory_Face(library, sans.data(), static_cast<FT_Long>(sans.size()), 0, &probe),
            0);
  const uint32_t g = FT_Get_Char_Index(probe, 'A');
  FT_Done_Face(probe);
  FT_Done_FreeType(library);

  auto face = TTrueTypeFace::Open(Embed("face_test/broken A.ttf", WithBrokenGlyph(sans, g)), 32, 0);
  ASSERT_NE(face, nullptr);
  auto broken = face->GlyphAt(face->GlyphIndexOf('A'));
  ASSERT_NE(broken, nullptr);
  EXPECT_EQ(broken->GlyphPixmap(), nullptr);
  EXPECT_EQ(broken->Advance(), 0.0f);
  EXPECT_EQ(face->GlyphAt(face->GlyphIndexOf('A')), broken);
  EXPECT_NE(face->GlyphAt(face->GlyphIndexOf('B'))->GlyphPixmap(), nullptr);
}

TEST_F(TrueTypeFaceTest, SourcesThatAreNotUsableFontsGiveNull) {
  Bytes notAFont(4096);
  for (size_t i = 0; i < notAFont.size(); ++i) notAFont[i] = static_cast<uint8_t>(i * 37 + 11);
  const std::string sources[] = {
      Embed("face_test/not a font", notAFont),
      Embed("face_test/empty", {}),
      Embed("face_test/cut 100", Bytes(sans.begin(), sans.begin() + 100)),
      Embed("face_test/cut 20000", Bytes(sans.begin(), sans.begin() + 20000)),
      Embed("face_test/cut half", Bytes(sans.begin(), sans.begin() + sans.size() / 2)),
      Embed("face_test/cut last byte", Bytes(sans.begin(), sans.end() - 1)),
      "incbin::face_test/missing",
      "/nonexistent/font.ttf",
      "/usr/share/fonts",
  };
  TTrueTypeFaceLoader loader;
  for (const std::string& source : sources) {
    EXPECT_EQ(TTrueTypeFace::Open(source, 32, 0), nullptr) << source;
  }
  EXPECT_EQ(loader.OpenFace("", 32, 0), nullptr);
  // A negative size would count down through four billion sizes; both answer at once.
  EXPECT_EQ(TTrueTypeFace::Open(kSans, 0, 0), nullptr);
  EXPECT_EQ(TTrueTypeFace::Open(kSans, -5, 0), nullptr);
  EXPECT_NE(loader.OpenFace(kSans, 1, 0), nullptr);
}

// FreeType bitmaps made by hand, one per pixel mode and row direction.
class GlyphBitmapTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(FT_Init_FreeType(&library), 0); }
  void TearDown() override { FT_Done_FreeType(library); }

  // rows x width bitmap over data, with |pitch| bytes per row; a negative pitch stores the
  // rows bottom-up, so data then holds the bottom row first.
  static FT_Bitmap Bitmap(unsigned char mode, unsigned width, unsigned rows, int pitch, Bytes& data,
                          unsigned short grays = 0) {
    FT_Bitmap b;
    std::memset(&b, 0, sizeof b);
    b.pixel_mode = mode;
    b.width = width;
    b.rows = rows;
    b.pitch = pitch;
    b.buffer = data.data();
    b.num_grays = grays;
    return b;
  }

  static std::vector<int> Values(const TPixmapRef& p) {
    std::vector<int> out;
    for (int32_t y = 0; y < p->height; ++y)
      for (int32_t x = 0; x < p->width; ++x) out.push_back(*p->PixelAddress(x, y));
    return out;
  }

  FT_Library library = nullptr;
};

TEST_F(GlyphBitmapTest, EachPixelModeBecomesCoverage) {
  // Grey, 3 x 2, pitch 4 with padding.
  Bytes grey = {10, 20, 30, 99, 40, 50, 60, 99};
  TPixmapRef p = FreeTypeBitmapToPixmap(library, Bitmap(FT_PIXEL_MODE_GRAY, 3, 2, 4, grey, 256));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->format, PF_A8);
  EXPECT_EQ(Values(p), (std::vector<int>{10, 20, 30, 40, 50, 60}));

  // The same rows stored bottom-up.
  Bytes greyUp = {40, 50, 60, 99, 10, 20, 30, 99};
  p = FreeTypeBitmapToPixmap(library, Bitmap(FT_PIXEL_MODE_GRAY, 3, 2, -4, greyUp, 256));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(Values(p), (std::vector<int>{10, 20, 30, 40, 50, 60}));

  // One bit per pixel, most significant first: 10 pixels need two bytes per row.
  Bytes mono = {0xA0, 0x40, 0x01, 0x80};
  p = FreeTypeBitmapToPixmap(library, Bitmap(FT_PIXEL_MODE_MONO, 10, 2, 2, mono));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(Values(p), (std::vector<int>{255, 0, 255, 0, 0, 0, 0, 0,   0,   255,  //
                                         0,   0, 0,   0, 0, 0, 0, 255, 255, 0}));
  p = FreeTypeBitmapToPixmap(library, Bitmap(FT_PIXEL_MODE_MONO, 10, 2, -2, mono));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(Values(p), (std::vector<int>{0,   0, 0,   0, 0, 0, 0, 255, 255, 0,  //
                                         255, 0, 255, 0, 0, 0, 0, 0,   0,   255}));

  // Two bits per pixel (4 levels), four pixels to a byte: not one byte per pixel.
  Bytes grey2 = {0x1B};  // levels 0, 1, 2, 3
  p = FreeTypeBitmapToPixmap(library, Bitmap(FT_PIXEL_MODE_GRAY2, 4, 1, 1, grey2, 4));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(Values(p), (std::vector<int>{0, 85, 170, 255}));

  // Four bits per pixel (16 levels).
  Bytes grey4 = {0x0F, 0x80};
  p = FreeTypeBitmapToPixmap(library, Bitmap(FT_PIXEL_MODE_GRAY4, 3, 1, 2, grey4, 16));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(Values(p), (std::vector<int>{0, 255, 136}));
}

TEST_F(GlyphBitmapTest, BitmapsWithoutPixelsOrOfUnusableModesGiveNoPixmap) {
  Bytes data(64, 0xFF);
  EXPECT_EQ(FreeTypeBitmapToPixmap(library, Bitmap(FT_PIXEL_MODE_GRAY, 5, 0, 8, data, 256)),
            nullptr);
  EXPECT_EQ(FreeTypeBitmapToPixmap(library, Bitmap(FT_PIXEL_MODE_GRAY, 0, 3, 8, data, 256)),
            nullptr);
  EXPECT_EQ(FreeTypeBitmapToPixmap(library, Bitmap(FT_PIXEL_MODE_LCD, 6, 2, 8, data, 256)),
            nullptr);
  EXPECT_EQ(FreeTypeBitmapToPixmap(library, Bitmap(FT_PIXEL_MODE_NONE, 2, 2, 8, data)), nullptr);
}

}  // namespace
