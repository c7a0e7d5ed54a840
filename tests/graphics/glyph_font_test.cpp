// Glyph fonts through the recording render driver: the built-in font, TrueType text placed by
// the glyph metrics and the transform, measuring, styles, fonts that cannot be loaded, and fonts
// whose glyphs claim more memory than any text needs.
#include "graphics/glyph_font.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "graphics/builtin_font_data.h"
#include "graphics/draw_graphics.h"
#include "graphics/font_fixtures.h"
#include "runtime/stream.h"
#include "support/fake_system_driver.h"
#include "support/memory_limits.h"
#include "support/recording_render_driver.h"

namespace {

const char* const kSans = fixtures::kSansPath;

class GlyphFontTest : public ::testing::Test {
 protected:
  void SetUp() override {
    system_ = InstallFakeSystemDriver();
    driver = OpenRecordingGraphics();
    ASSERT_NE(driver, nullptr);
    sans = LoadFontFile(kSans, 32, FontStyleSmooth);
    ASSERT_NE(sans, nullptr) << "fonts-liberation2 is needed";
    driver->ClearCalls();
  }
  void TearDown() override {
    CloseAppGraphics();
    SelectDisplayDriver(nullptr, 0);
  }

  TImageGlyphRef Glyph(const TGlyphFontRef& font, char16_t c) {
    return font->GlyphAt(font->GlyphIndexOf(c));
  }

  std::shared_ptr<TFakeSystemDriver> system_;
  TRecordingRenderDriverRef driver;
  TGlyphFontRef sans;
};

TEST_F(GlyphFontTest, BuiltInFontMeasuresEightByEachAndSkipsCharactersOutside32To127) {
  UseFont(nullptr);
  EXPECT_EQ(TextPixelWidth(u"AB"), 16);
  EXPECT_EQ(TextPixelWidth(u"~ "), 16);
  EXPECT_EQ(FontLineHeight(), 16);
  const std::u16string mixed =
      u"\x1f"
      u"A\x7f\x80\x263A";
  EXPECT_EQ(TextPixelWidth(mixed), 16);
  DrawTextAt(mixed, 10, 20);
  auto glyphs = driver->DrawnGlyphs(CurrentFont());
  ASSERT_EQ(glyphs.size(), 2u);
  EXPECT_EQ(glyphs[0].character, u'A');
  EXPECT_EQ(glyphs[1].character, u'\x7f');
  EXPECT_FLOAT_EQ(glyphs[1].x, 18);
  EXPECT_EQ(glyphs[0].call.frame->flags, 0) << "built-in glyphs are neither filtered nor masked";
}

TEST_F(GlyphFontTest, BuiltInGlyphsShowTheEmbeddedBits) {
  const std::vector<uint8_t> data = LoadBytes("incbin::kestrelfont.bin");
  ASSERT_EQ(data.size(), 1536u);
  EXPECT_EQ(0, std::memcmp(data.data(), BuiltInFontData, data.size()));
  TGlyphFontRef font = TGlyphFont::BuiltIn();
  int inked = 0;
  for (int32_t c = 32; c < 128; ++c) {
    TImageGlyphRef g = Glyph(font, static_cast<char16_t>(c));
    ASSERT_NE(g, nullptr);
    ASSERT_NE(g->image, nullptr);
    TPixmapRef p = g->image->pixmaps[0];
    ASSERT_EQ(p->width, 8);
    ASSERT_EQ(p->height, 16);
    bool ink = false;
    for (int32_t r = 0; r < 16; ++r) {
      for (int32_t j = 0; j < 8; ++j) {
        const bool bit = (data[96 * r + (c - 32)] >> j) & 1;
        ASSERT_EQ(p->GetPixelARGB(j, r), bit ? 0xFFFFFFFFu : 0u) << c << " " << j << "," << r;
        ink |= bit;
      }
    }
    inked += ink;
  }
  // Every printable character but the space (and the last code, which has no glyph) has ink.
  EXPECT_GE(inked, 94);
}

TEST_F(GlyphFontTest, TrueTypeGlyphsLandWhereTheirMetricsSay) {
  UseFont(sans);
  EXPECT_EQ(FontLineHeight(), 37);
  TImageGlyphRef a = Glyph(sans, 'A'), space = Glyph(sans, ' ');
  ASSERT_NE(a->image, nullptr);
  EXPECT_EQ(space->image, nullptr);
  ASSERT_GT(space->advance, 0);
  // A character without a glyph neither draws nor advances.
  const std::u16string text =
      u"A A\x4E00"
      u"A";
  EXPECT_EQ(TextPixelWidth(text), static_cast<int32_t>(3 * a->advance + space->advance));

  DrawTextAt(text, 100, 200);
  auto glyphs = driver->DrawnGlyphs(sans);
  ASSERT_EQ(glyphs.size(), 3u) << driver->Names();
  const float pens[3] = {0, a->advance + space->advance, 2 * a->advance + space->advance};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(glyphs[i].character, u'A');
    EXPECT_FLOAT_EQ(glyphs[i].x, 100 + pens[i] + a->offsetX) << i;
    EXPECT_FLOAT_EQ(glyphs[i].y, 200 + a->offsetY) << i;
    EXPECT_EQ(glyphs[i].call.Arg(2), a->image->width);
    EXPECT_EQ(glyphs[i].call.Arg(3), a->image->height);
  }
  // One driver frame serves every drawing of the glyph.
  EXPECT_EQ(driver->Count("CreateFrame"), 1);
}

TEST_F(GlyphFontTest, ScaledTextTruncatesOffsetsButMeasuresUnscaled) {
  UseFont(sans);
  const int32_t unscaled = TextPixelWidth(u"AV");
  SetDrawScale(1.5f, 1.5f);
  EXPECT_EQ(TextPixelWidth(u"AV"), unscaled);
  DrawTextAt(u"AV", 10, 20);
  auto glyphs = driver->DrawnGlyphs(sans);
  ASSERT_EQ(glyphs.size(), 2u);
  TImageGlyphRef a = Glyph(sans, 'A'), v = Glyph(sans, 'V');
  // The quad's translation is the pen plus the offsets scaled and cut to whole pixels.
  EXPECT_FLOAT_EQ(glyphs[0].call.Arg(4), 10 + std::trunc(a->offsetX * 1.5f));
  EXPECT_FLOAT_EQ(glyphs[0].call.Arg(5), 20 + std::trunc(a->offsetY * 1.5f));
  EXPECT_FLOAT_EQ(glyphs[1].call.Arg(4), 10 + 1.5f * a->advance + std::trunc(v->offsetX * 1.5f));
  EXPECT_FLOAT_EQ(glyphs[1].call.Arg(5), 20 + std::trunc(v->offsetY * 1.5f));
  // The glyph itself is scaled by the matrix.
  EXPECT_FLOAT_EQ(glyphs[0].call.ix, 1.5f);
  EXPECT_FLOAT_EQ(glyphs[0].call.jy, 1.5f);
}

TEST_F(GlyphFontTest, TextIsPlacedByOriginAndDrawHandle) {
  UseFont(nullptr);
  SetDrawOrigin(5, 6);
  SetDrawHandle(2, 3);
  DrawTextAt(u"HUD", 100, 100);
  auto glyphs = driver->DrawnGlyphs(CurrentFont());
  ASSERT_EQ(driver->DrawnText(CurrentFont()), u"HUD");
  EXPECT_FLOAT_EQ(glyphs[0].x, 103);
  EXPECT_FLOAT_EQ(glyphs[0].y, 103);
  EXPECT_FLOAT_EQ(glyphs[2].x, 119);
}

TEST_F(GlyphFontTest, SmoothStyleMakesFilteredMipmappedGlyphImages) {
  struct Case {
    int32_t style, flags;
  };
  for (const Case& c : {Case{FontStyleSmooth, 6}, Case{0, 0}, Case{1, 0}, Case{2, 0}}) {
    TGlyphFontRef font = LoadFontFile(kSans, 24, c.style);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->Style(), c.style);
    EXPECT_EQ(font->imageFlags, c.flags);
    EXPECT_EQ(Glyph(font, 'Q')->image->flags, c.flags) << c.style;
    UseFont(font);
    driver->ClearCalls();
    DrawTextAt(u"Q", 0, 0);
    EXPECT_EQ(driver->Last("CreateFrame").Arg(0), c.flags);
  }
}

TEST_F(GlyphFontTest, UseFontNullBringsBackTheBuiltInFont) {
  TGlyphFontRef builtIn = CurrentFont();
  ASSERT_NE(builtIn, nullptr);
  UseFont(sans);
  EXPECT_EQ(CurrentFont(), sans);
  UseFont(nullptr);
  EXPECT_EQ(CurrentFont(), builtIn);
  EXPECT_EQ(CurrentFont()->face, nullptr);
}

TEST_F(GlyphFontTest, FontsThatCannotBeLoadedAreNull) {
  static const uint8_t junk[64] = {1, 2, 3};
  RegisterEmbeddedData("glyph_font_test/junk", junk, sizeof junk);
  RegisterEmbeddedData("glyph_font_test/empty", junk, 0);
  const std::string sources[] = {"", "/nonexistent.ttf", "incbin::glyph_font_test/junk",
                                 "incbin::glyph_font_test/empty"};
  for (const std::string& s : sources) EXPECT_EQ(LoadFontFile(s, 32, 4), nullptr) << s;
  EXPECT_EQ(LoadFontFile(kSans, 0, 4), nullptr);
  EXPECT_EQ(LoadFontFile(kSans, -1, 4), nullptr);
}

// ---- fonts that open but whose glyphs claim far more memory than any text needs

struct HostileFont {
  std::string name;
  std::string source;
};

std::vector<HostileFont> HostileFonts() {
  return {
      {"glyph_bomb.ttf: 570 bytes whose 'y' and U+007F outlines span 22526 x 27392 pixels",
       fixtures::GlyphBombPath()},
      {"Liberation Sans with a strike whose 'L' picture claims 30000 x 30000",
       fixtures::Embed("glyph_font_test/strike bomb.ttf",
                       fixtures::SansWithStrike(LoadBytes(kSans)))},
  };
}

// Opens the font at the game's size and draws and measures the game's title and then every
// ASCII character with it (the bomb's huge glyphs are not in the title). False when the font
// did not open.
bool LoadAndDraw(const std::string& source) {
  InstallFakeSystemDriver();
  TRecordingRenderDriverRef driver = OpenRecordingGraphics();
  TGlyphFontRef font = LoadFontFile(source, 32, FontStyleSmooth);
  if (!font) return false;
  std::u16string text = u"LETTER FIGHT ";
  for (char16_t c = 32; c < 128; ++c) text += c;
  UseFont(font);
  DrawTextAt(text, 10, 20);
  volatile int32_t width = TextPixelWidth(text);
  (void)width;
  UseFont(nullptr);
  return true;
}

// The exit status of a child that opens the font and draws with it: 0 when it opened and the
// peak resident memory grew by less than 64 MB, 1 when it grew more, 2 when it did not open.
// It says on standard error what it measured.
int LoadAndDrawWithin64Mb(const std::string& source) {
  const bool reset = ResetPeakResident();
  const long before = ProcStatusKb(reset ? "VmRSS" : "VmHWM");
  const auto start = std::chrono::steady_clock::now();
  const bool opened = LoadAndDraw(source);
  const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
  const long grown = ProcStatusKb("VmHWM") - before;
  std::fprintf(stderr, "%s; the peak grew by %ld kB in %.0f ms", opened ? "opened" : "not opened",
               grown, took.count());
  return !opened ? 2 : grown < 64 * 1024 ? 0 : 1;
}

// Each font opens, and opening it and drawing with it stays under 64 MB (FreeType had filled
// 617 MB for each of the bomb's big glyphs and 3.4 GB for the strike's picture). In a child
// process, so that the figure is the font's alone.
TEST(HostileFontDeathTest, LoadingAndDrawingGrowsThePeakByLessThan64Mb) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (const HostileFont& font : HostileFonts()) {
    SCOPED_TRACE(font.name);
    EXPECT_EXIT(std::exit(LoadAndDrawWithin64Mb(font.source)), ::testing::ExitedWithCode(0), "");
  }
}

// And where memory runs out: in a process that cannot map more than 64 MB beyond what it has,
// opening and drawing return with no allocation failure escaping. FreeType answers an
// allocation it cannot get with an error, so this shows the loader surviving, not the bound:
// the peak check above shows that.
TEST(HostileFontDeathTest, LoadingAndDrawingReturnsInABoundedAddressSpace) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer needs more address space than the limit leaves";
#else
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (const HostileFont& font : HostileFonts()) {
    SCOPED_TRACE(font.name);
    EXPECT_EXIT(
        {
          LimitAddressSpaceToMore(64);
          try {
            std::exit(LoadAndDraw(font.source) ? 0 : 2);
          } catch (const std::bad_alloc&) {
            std::fputs("ran out of memory", stderr);
            std::exit(3);
          }
        },
        ::testing::ExitedWithCode(0), "");
  }
#endif
}

}  // namespace
