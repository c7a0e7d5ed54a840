// Text on a real OpenGL surface (Xvfb with Mesa in CI), read back: the ink of TrueType and
// built-in glyphs lies where the glyph metrics put it, in the draw colour, and turns with the
// transform.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "graphics/draw_graphics.h"
#include "graphics/gl_render_driver.h"
#include "graphics/glyph_font.h"
#include "graphics/graphics.h"
#include "graphics/graphics_module.h"
#include "support/display_check.h"
#include "system/sdl_system_driver.h"
#include "system/system_driver.h"

namespace {

const char* const kSans = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";

class GlyphFontGLTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_DISPLAY();
    InitGraphics();
    SetSystemDriver(std::make_shared<TNativeSystemDriver>());
    SelectDisplayDriver(GLRenderDriver(), GRAPHICS_BACKBUFFER);
    graphics = OpenGraphics(640, 480, 0, 0, 0);
    if (!graphics && !DisplayRequired()) GTEST_SKIP() << "no display answers";
    ASSERT_NE(graphics, nullptr) << "SDL: " << SDL_GetError();
    // Style 0: glyphs sampled nearest, so each screen pixel shows exactly one coverage value.
    sans = LoadFontFile(kSans, 32, 0);
    ASSERT_NE(sans, nullptr) << "fonts-liberation2 is needed";
    ClearScreen();
  }
  void TearDown() override {
    if (graphics) CloseAppGraphics();
  }

  // The red, green and blue of each pixel of a screen rectangle, row by row.
  struct TShot {
    TPixmapRef p;
    int32_t x0 = 0, y0 = 0;
    const uint8_t* At(int32_t x, int32_t y) const { return p->PixelAddress(x - x0, y - y0); }
  };
  TShot Shot(int32_t x, int32_t y, int32_t w, int32_t h) {
    return TShot{CapturePixmap(x, y, w, h), x, y};
  }

  TImageGlyphRef Glyph(const TGlyphFontRef& font, char16_t c) {
    return font->GlyphAt(font->GlyphIndexOf(c));
  }

  TGraphicsRef graphics;
  TGlyphFontRef sans;
};

TEST_F(GlyphFontGLTest, TrueTypeInkLiesWhereTheMetricsSayInTheDrawColour) {
  UseFont(sans);
  SetBlendMode(BLEND_ALPHA);
  SetDrawColor(255, 128, 0);
  DrawTextAt(u"A", 100, 100);
  TImageGlyphRef a = Glyph(sans, 'A');
  ASSERT_NE(a->image, nullptr);
  TPixmapRef coverage = a->image->pixmaps[0];
  const int32_t left = 100 + a->offsetX, top = 100 + a->offsetY;
  // The glyph's box and a margin of 4 pixels around it.
  const int32_t margin = 4;
  TShot shot = Shot(left - margin, top - margin, a->width + 2 * margin, a->height + 2 * margin);
  ASSERT_NE(shot.p, nullptr);
  int inked = 0;
  for (int32_t y = top - margin; y < top + a->height + margin; ++y) {
    for (int32_t x = left - margin; x < left + a->width + margin; ++x) {
      const bool inside = x >= left && y >= top && x < left + a->width && y < top + a->height;
      const int cover =
          inside ? static_cast<int>(coverage->GetPixelARGB(x - left, y - top) >> 24) : 0;
      const uint8_t* px = shot.At(x, y);
      ASSERT_NEAR(px[0], 255 * cover / 255, 2) << x << "," << y;
      ASSERT_NEAR(px[1], 128 * cover / 255, 2) << x << "," << y;
      ASSERT_NEAR(px[2], 0, 2) << x << "," << y;
      inked += cover > 200;
    }
  }
  EXPECT_GT(inked, 50);
}

TEST_F(GlyphFontGLTest, BuiltInInkMatchesItsBitsUprightAndTurned) {
  UseFont(nullptr);
  SetBlendMode(BLEND_MASK);
  SetDrawColor(0, 255, 0);
  DrawTextAt(u"Hg", 10, 20);
  SetDrawRotation(90);
  DrawTextAt(u"Hg", 300, 100);
  SetDrawRotation(0);
  TGlyphFontRef font = CurrentFont();
  TShot upright = Shot(0, 0, 640, 480);
  for (int i = 0; i < 2; ++i) {
    TPixmapRef bits = Glyph(font, u"Hg"[i])->image->pixmaps[0];
    for (int32_t r = 0; r < 16; ++r) {
      for (int32_t j = 0; j < 8; ++j) {
        const int ink = (bits->GetPixelARGB(j, r) >> 24) ? 255 : 0;
        // Upright: column j of character i at x = 10 + 8i + j, row r at y = 20 + r.
        const uint8_t* a = upright.At(10 + 8 * i + j, 20 + r);
        ASSERT_EQ(a[1], ink) << i << " " << j << "," << r;
        ASSERT_EQ(a[0], 0);
        // Turned by 90 degrees: the text runs down from (300, 100), rows going left.
        const uint8_t* b = upright.At(299 - r, 100 + 8 * i + j);
        ASSERT_EQ(b[1], ink) << "turned " << i << " " << j << "," << r;
      }
    }
  }
}

TEST_F(GlyphFontGLTest, TurnedTrueTypeGlyphIsTheUprightOneTurned) {
  UseFont(sans);
  SetBlendMode(BLEND_ALPHA);
  SetDrawColor(255, 255, 255);
  DrawTextAt(u"R", 100, 100);
  SetDrawRotation(90);
  DrawTextAt(u"R", 400, 100);
  SetDrawRotation(0);
  TImageGlyphRef g = Glyph(sans, 'R');
  TShot shot = Shot(0, 0, 640, 480);
  // Offsets turn with the text: (ox, oy) becomes (-oy, ox).
  const int32_t ux = 100 + g->offsetX, uy = 100 + g->offsetY;
  const int32_t tx = 400 - g->offsetY, ty = 100 + g->offsetX;
  int inked = 0;
  for (int32_t r = 0; r < g->height; ++r) {
    for (int32_t c = 0; c < g->width; ++c) {
      const int upright = shot.At(ux + c, uy + r)[0];
      const int turned = shot.At(tx - r - 1, ty + c)[0];
      ASSERT_NEAR(turned, upright, 2) << c << "," << r;
      inked += upright > 200;
    }
  }
  EXPECT_GT(inked, 50);
}

}  // namespace
