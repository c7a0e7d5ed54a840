// The TrueType face over FreeType: opening from paths and streams, metrics, glyph bitmaps of
// every pixel mode, the bound on glyph sizes, and sources that are not usable fonts.
#include "graphics/truetype_face.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "graphics/font_fixtures.h"
#include "graphics/graphics_module.h"
#include "runtime/stream.h"

namespace {

using Bytes = std::vector<uint8_t>;
using fixtures::Embed;
using fixtures::TableOffset;

const char* const kSans = fixtures::kSansPath;

uint32_t Be32(const Bytes& b, size_t at) {
  return static_cast<uint32_t>(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}
uint16_t Be16(const Bytes& b, size_t at) {
  return static_cast<uint16_t>(b[at] << 8 | b[at + 1]);
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

// FreeType's own rendering of glyph g at the reference face's size, unbounded, against the
// loader's glyph: empty where FreeType fails, otherwise the same metrics and the same pixels.
// Empty when they agree, else what differs.
std::string DifferenceFromFreeType(FT_Library library, FT_Face reference, FT_UInt g,
                                   const TTrueTypeFace& face, const TFreeTypeGlyph& glyph) {
  if (FT_Load_Glyph(reference, g, FT_LOAD_RENDER)) {
    return glyph.pixmap || glyph.advance != 0 ? "FreeType fails it but it has pixels" : "";
  }
  const FT_GlyphSlot slot = reference->glyph;
  const TPixmapRef expected = FreeTypeBitmapToPixmap(library, slot->bitmap);
  if (glyph.advance != static_cast<float>(slot->advance.x >> 6)) return "advance";
  if (glyph.offsetX != slot->bitmap_left || glyph.offsetY != face.ascent - slot->bitmap_top)
    return "offsets";
  if (glyph.width != static_cast<int32_t>(slot->bitmap.width) ||
      glyph.height != static_cast<int32_t>(slot->bitmap.rows))
    return "size " + std::to_string(glyph.width) + " x " + std::to_string(glyph.height) +
           " for FreeType's " + std::to_string(slot->bitmap.width) + " x " +
           std::to_string(slot->bitmap.rows);
  if (!expected || !glyph.pixmap) return expected == glyph.pixmap ? "" : "pixmap missing or extra";
  for (int32_t y = 0; y < expected->height; ++y) {
    if (std::memcmp(expected->PixelAddress(0, y), glyph.pixmap->PixelAddress(0, y),
                    static_cast<size_t>(expected->width)) != 0)
      return "pixels of row " + std::to_string(y);
  }
  return "";
}

// A FreeType face over the bytes for reference renderings, closed with the test.
class ReferenceFace {
 public:
  ReferenceFace(const Bytes& bytes, int32_t size) : bytes_(bytes) {
    if (FT_Init_FreeType(&library)) return;
    if (FT_New_Memory_Face(library, bytes_.data(), static_cast<FT_Long>(bytes_.size()), 0, &face) ||
        FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size))) {
      if (face) FT_Done_Face(face);
      face = nullptr;
    }
  }
  ~ReferenceFace() {
    if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
  }
  FT_Library library = nullptr;
  FT_Face face = nullptr;

 private:
  Bytes bytes_;
};

struct OrdinaryFont {
  const char* name;
  const char* path;
};
void PrintTo(const OrdinaryFont& font, std::ostream* out) {
  *out << font.path;
}

class OrdinaryFontTest : public ::testing::TestWithParam<OrdinaryFont> {};

// The bound on glyph sizes takes nothing from real fonts: at small print, at the game's size and
// at title size every glyph comes out as FreeType renders it without a bound.
TEST_P(OrdinaryFontTest, KeepsEveryGlyphAsFreeTypeRendersIt) {
  InitGraphics();
  const Bytes bytes = LoadBytes(GetParam().path);
  ASSERT_FALSE(bytes.empty()) << GetParam().path << " is needed (scripts/setup.sh installs it)";
  for (const int32_t size : {12, 32, 72}) {
    SCOPED_TRACE("size " + std::to_string(size));
    auto face = TTrueTypeFace::Open(GetParam().path, size, 0);
    ReferenceFace reference(bytes, size);
    ASSERT_NE(face, nullptr);
    ASSERT_NE(reference.face, nullptr);
    int differing = 0, inked = 0;
    std::string first;
    for (FT_UInt g = 1; g < static_cast<FT_UInt>(reference.face->num_glyphs); ++g) {
      auto glyph = std::dynamic_pointer_cast<TFreeTypeGlyph>(face->GlyphAt(int32_t(g) - 1));
      ASSERT_NE(glyph, nullptr);
      const std::string difference =
          DifferenceFromFreeType(reference.library, reference.face, g, *face, *glyph);
      if (!difference.empty() && differing++ == 0) first = std::to_string(g) + ": " + difference;
      inked += glyph->pixmap != nullptr;
    }
    EXPECT_EQ(differing, 0) << "first glyph " << first;
    EXPECT_GT(inked, reference.face->num_glyphs / 2);
  }
}

// Liberation Sans is what the game copies as its "arial.ttf", DejaVu Sans its fallback. DejaVu
// Serif has the widest glyph of these (a quadruple integral of 2.1 ems), DejaVu Math TeX Gyre
// the tallest (delimiters of 4.3 ems).
INSTANTIATE_TEST_SUITE_P(
    DebianFonts, OrdinaryFontTest,
    ::testing::Values(
        OrdinaryFont{"LiberationSans", kSans},
        OrdinaryFont{"LiberationSerifItalic",
                     "/usr/share/fonts/truetype/liberation2/LiberationSerif-Italic.ttf"},
        OrdinaryFont{"LiberationMonoBold",
                     "/usr/share/fonts/truetype/liberation2/LiberationMono-Bold.ttf"},
        OrdinaryFont{"DejaVuSans", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"},
        OrdinaryFont{"DejaVuSerif", "/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf"},
        OrdinaryFont{"DejaVuMathTeXGyre",
                     "/usr/share/fonts/truetype/dejavu/DejaVuMathTeXGyre.ttf"}),
    [](const ::testing::TestParamInfo<OrdinaryFont>& info) { return info.param.name; });

// Bitmap glyphs are measured by the size they declare before their pixels are read: within the
// bound they come out as FreeType gives them, beyond it (8 ems) empty, although FreeType would
// render them.
TEST_F(TrueTypeFaceTest, StrikeGlyphsBeyondTheBoundAreEmpty) {
  const struct Case {
    const char* name;
    Bytes font;
    int32_t size;
    std::string kept, dropped;
  } cases[] = {
      {"a colour strike in Liberation Sans", fixtures::SansWithStrike(sans), 32, "E", "W"},
      {"a bitmap-only font", fixtures::BitmapOnlyFont(), 16, "AM", "W"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto face = TTrueTypeFace::Open(Embed(std::string("face_test/") + c.name, c.font), c.size, 0);
    ReferenceFace reference(c.font, c.size);
    ASSERT_NE(face, nullptr);
    ASSERT_NE(reference.face, nullptr);
    ASSERT_GT(reference.face->num_fixed_sizes, 0) << "no strike";
    for (char ch : c.kept) {
      SCOPED_TRACE(std::string(1, ch));
      const int32_t i = face->GlyphIndexOf(ch);
      auto glyph = std::dynamic_pointer_cast<TFreeTypeGlyph>(face->GlyphAt(i));
      ASSERT_NE(glyph, nullptr);
      EXPECT_NE(glyph->pixmap, nullptr);
      EXPECT_EQ(
          DifferenceFromFreeType(reference.library, reference.face, FT_UInt(i) + 1, *face, *glyph),
          "");
    }
    for (char ch : c.dropped) {
      SCOPED_TRACE(std::string(1, ch));
      const int32_t i = face->GlyphIndexOf(ch);
      ASSERT_GE(i, 0);
      ASSERT_EQ(FT_Load_Glyph(reference.face, FT_UInt(i) + 1, FT_LOAD_RENDER), 0);
      EXPECT_GT(reference.face->glyph->bitmap.width, 8u * c.size) << "FreeType renders it";
      auto glyph = face->GlyphAt(i);
      EXPECT_EQ(glyph->GlyphPixmap(), nullptr);
      EXPECT_EQ(glyph->Advance(), 0.0f);
      EXPECT_EQ(face->GlyphAt(i), glyph) << "cached";
    }
  }
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
