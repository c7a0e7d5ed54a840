// The OpenGL render driver on a real window (Xvfb with Mesa in CI), checked by reading pixels
// back: points, blend modes, scissoring, texture padding and filtering, ellipses, blits, the
// read-back, the state caches, and small frames on shared pages against textures of their own.
#include "graphics/gl_render_driver.h"

#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "graphics/draw_graphics.h"
#include "graphics/gl_graphics_driver.h"
#include "graphics/graphics.h"
#include "graphics/graphics_module.h"
#include "graphics/image.h"
#include "graphics/picture_fixtures.h"
#include "runtime/stream.h"
#include "support/display_check.h"
#include "system/sdl_system_driver.h"
#include "system/system_driver.h"

namespace {

struct TRgba {
  int r, g, b, a;
};

TRgba At(const TPixmapRef& p, int32_t x, int32_t y) {
  const uint8_t* q = p->PixelAddress(x, y);
  return {q[0], q[1], q[2], q[3]};
}

void Fill(const TPixmapRef& p, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  for (int32_t y = 0; y < p->height; ++y) {
    for (int32_t x = 0; x < p->width; ++x) {
      uint8_t* q = p->PixelAddress(x, y);
      q[0] = r, q[1] = g, q[2] = b, q[3] = a;
    }
  }
}

TPixmapRef Solid(int32_t w, int32_t h, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
  TPixmapRef p = NewPixmap(w, h, PF_RGBA8888, 4);
  Fill(p, r, g, b, a);
  return p;
}

#define EXPECT_RGB_NEAR(pixel, R, G, B, tolerance)    \
  do {                                                \
    const TRgba got_ = (pixel);                       \
    EXPECT_NEAR(got_.r, (R), (tolerance)) << "red";   \
    EXPECT_NEAR(got_.g, (G), (tolerance)) << "green"; \
    EXPECT_NEAR(got_.b, (B), (tolerance)) << "blue";  \
  } while (0)

// An application graphics on the GL render driver, opened without refresh measurement.
class GLRenderDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_DISPLAY();
    InitGraphics();
    SetSystemDriver(std::make_shared<TNativeSystemDriver>());
    SelectDisplayDriver(GLRenderDriver(), GRAPHICS_BACKBUFFER);
    Open(640, 480, 0);
  }
  void TearDown() override {
    if (driver) {
      driver->SetTexturePages(true);
      CloseAppGraphics();
    }
  }

  void Open(int32_t width, int32_t height, int32_t depth) {
    graphics = OpenGraphics(width, height, depth, 0, 0);
    if (!graphics && !DisplayRequired()) GTEST_SKIP() << "no display answers";
    ASSERT_NE(graphics, nullptr) << "SDL: " << SDL_GetError();
    driver = GLRenderDriver();
    driver->ApplyBlend(BLEND_SOLID);
    driver->ApplyAlpha(1);
    driver->ApplyTransform(1, 0, 0, 1);
    driver->ApplyClearColor(0, 0, 0);
    driver->ClearBuffer();
  }

  TRgba Pixel(int32_t x, int32_t y) { return At(driver->ReadPixels(x, y, 1, 1), 0, 0); }

  TGraphicsRef graphics;
  TGLRenderDriverRef driver;
};

TEST_F(GLRenderDriverTest, PlotPointLightsExactlyItsPixel) {
  driver->ApplyColor(255, 255, 255);
  driver->PlotPoint(3, 4);
  TPixmapRef p = driver->ReadPixels(0, 0, 8, 8);
  for (int32_t y = 0; y < 8; ++y) {
    for (int32_t x = 0; x < 8; ++x) {
      const int expected = (x == 3 && y == 4) ? 255 : 0;
      EXPECT_EQ(At(p, x, y).r, expected) << x << "," << y;
    }
  }
}

TEST_F(GLRenderDriverTest, BlendModesOverAKnownBackground) {
  // Background (100, 150, 200); source (200, 100, 50) at the given alpha.
  struct Case {
    int32_t mode;
    float alpha;
    int r, g, b;
  } cases[] = {
      {BLEND_MASK, 0.6f, 200, 100, 50},   // passes the alpha test, drawn opaque
      {BLEND_MASK, 0.4f, 100, 150, 200},  // fails it: nothing drawn
      {BLEND_SOLID, 0.4f, 200, 100, 50},
      {BLEND_ALPHA, 0.6f, 160, 120, 110},  // 200*.6+100*.4, 100*.6+150*.4, 50*.6+200*.4
      {BLEND_LIGHT, 0.6f, 220, 210, 230},  // 200*.6+100, 100*.6+150, 50*.6+200
      {BLEND_SHADE, 0.6f, 78, 59, 39},     // 200*100/255, 100*150/255, 50*200/255
      {99, 0.4f, 200, 100, 50},            // unknown modes are solid
  };
  for (const Case& c : cases) {
    driver->ApplyBlend(BLEND_SOLID);
    driver->ApplyAlpha(1);
    driver->ApplyColor(100, 150, 200);
    driver->FillQuad(0, 0, 20, 20, 0, 0);
    driver->ApplyBlend(c.mode);
    driver->ApplyAlpha(c.alpha);
    driver->ApplyColor(200, 100, 50);
    driver->FillQuad(5, 5, 15, 15, 0, 0);
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << " alpha " << c.alpha);
    EXPECT_RGB_NEAR(Pixel(10, 10), c.r, c.g, c.b, 2);
    EXPECT_RGB_NEAR(Pixel(2, 2), 100, 150, 200, 0);
  }
}

TEST_F(GLRenderDriverTest, ColourAndAlphaAreClampedIntoBytes) {
  struct Case {
    float alpha;
    int byte;
  } alphas[] = {{1.5f, 255}, {-0.2f, 0}, {0.5f, 127}, {std::nanf(""), 0}, {1.0f, 255}};
  for (const Case& c : alphas) {
    driver->ApplyAlpha(c.alpha);
    EXPECT_EQ(driver->ColorBytes()[3], c.byte) << c.alpha;
  }
  driver->ApplyAlpha(1);
  driver->ApplyColor(300, -5, 128);
  EXPECT_EQ(driver->ColorBytes()[0], 255);
  EXPECT_EQ(driver->ColorBytes()[1], 0);
  EXPECT_EQ(driver->ColorBytes()[2], 128);
  driver->FillQuad(0, 0, 4, 4, 0, 0);
  EXPECT_RGB_NEAR(Pixel(1, 1), 255, 0, 128, 0);

  driver->ApplyClearColor(-40, 999, 64);
  driver->ClearBuffer();
  EXPECT_RGB_NEAR(Pixel(1, 1), 0, 255, 64, 0);
}

TEST_F(GLRenderDriverTest, ViewportScissorsAndTheWholeScreenLiftsIt) {
  GLint box[4] = {};
  driver->ApplyViewport(10, 20, 30, 40);
  driver->Flush();
  EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
  glGetIntegerv(GL_SCISSOR_BOX, box);
  EXPECT_EQ((std::vector<GLint>{box[0], box[1], box[2], box[3]}),
            (std::vector<GLint>{10, 480 - 20 - 40, 30, 40}));
  driver->ApplyClearColor(255, 0, 0);
  driver->ClearBuffer();
  EXPECT_EQ(Pixel(10, 20).r, 255);
  EXPECT_EQ(Pixel(39, 59).r, 255);
  EXPECT_EQ(Pixel(9, 20).r, 0);
  EXPECT_EQ(Pixel(10, 19).r, 0);
  EXPECT_EQ(Pixel(40, 59).r, 0);
  EXPECT_EQ(Pixel(39, 60).r, 0);

  driver->ApplyViewport(0, 0, 640, 479);
  glGetIntegerv(GL_SCISSOR_BOX, box);
  EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
  EXPECT_EQ((std::vector<GLint>{box[0], box[1], box[2], box[3]}),
            (std::vector<GLint>{0, 1, 640, 479}));

  // A negative side gives an empty box, not the previous one.
  driver->ApplyViewport(5, 5, -10, 20);
  driver->ApplyClearColor(0, 255, 0);
  driver->ClearBuffer();
  EXPECT_EQ(Pixel(20, 30).g, 0);

  driver->ApplyViewport(0, 0, 640, 480);
  EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
}

TEST_F(GLRenderDriverTest, BlendCacheSkipsRepeatsUntilTheSurfaceIsMadeCurrentAgain) {
  driver->ApplyBlend(BLEND_ALPHA);
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  glDisable(GL_BLEND);  // behind the cache's back
  driver->ApplyBlend(BLEND_ALPHA);
  EXPECT_FALSE(glIsEnabled(GL_BLEND)) << "a repeated mode issues no OpenGL call";
  MakeGraphicsCurrent(graphics);
  driver->ApplyBlend(BLEND_ALPHA);
  EXPECT_TRUE(glIsEnabled(GL_BLEND)) << "making the surface current empties the cache";
}

TEST_F(GLRenderDriverTest, EllipsePointCounts) {
  struct Case {
    float w, h;
    int32_t points;
  } cases[] = {{10, 10, 12},
               {100, 60, 80},
               {-100, 60, 80},
               {1e30f, 1e30f, TGLRenderDriver::kMaxEllipsePoints},
               {3e38f, 3e38f, TGLRenderDriver::kMaxEllipsePoints}};
  driver->ApplyColor(255, 255, 255);
  for (const Case& c : cases) {
    driver->FillEllipse(0, 0, c.w, c.h, 200, 200);
    EXPECT_EQ(driver->LastPolygonPoints(), c.points) << c.w << " x " << c.h;
  }
  // Radii that are not numbers draw nothing at all.
  driver->ClearBuffer();
  driver->FillEllipse(0, 0, std::nanf(""), 10, 100, 100);
  driver->FillEllipse(0, 0, std::numeric_limits<float>::infinity(), 10, 100, 100);
  EXPECT_EQ(driver->LastPolygonPoints(), TGLRenderDriver::kMaxEllipsePoints);
  EXPECT_EQ(Pixel(100, 105).r, 0);
  // A drawn ellipse fills its box: lit inside, dark at the corners.
  driver->FillEllipse(0, 0, 100, 60, 200, 200);
  EXPECT_EQ(Pixel(250, 230).r, 255);
  EXPECT_EQ(Pixel(201, 201).r, 0);
}

TEST_F(GLRenderDriverTest, BlitPlacesTheTopLeftCornerAndReadBackIsTopRowFirst) {
  TPixmapRef p = NewPixmap(4, 3, PF_RGBA8888, 4);
  for (int32_t y = 0; y < 3; ++y) {
    for (int32_t x = 0; x < 4; ++x) {
      uint8_t* q = p->PixelAddress(x, y);
      q[0] = static_cast<uint8_t>(40 * x + 10), q[1] = static_cast<uint8_t>(60 * y + 5), q[2] = 77,
      q[3] = 255;
    }
  }
  driver->ApplyBlend(BLEND_ALPHA);
  driver->BlitPixmap(p, 10, 20);
  EXPECT_TRUE(glIsEnabled(GL_BLEND)) << "the blend mode in force comes back";
  TPixmapRef back = driver->ReadPixels(9, 19, 6, 5);
  for (int32_t y = 0; y < 5; ++y) {
    for (int32_t x = 0; x < 6; ++x) {
      const bool inside = x >= 1 && x <= 4 && y >= 1 && y <= 3;
      const TRgba got = At(back, x, y);
      if (inside) {
        EXPECT_RGB_NEAR(got, 40 * (x - 1) + 10, 60 * (y - 1) + 5, 77, 0);
      } else {
        EXPECT_RGB_NEAR(got, 0, 0, 0, 0);
      }
    }
  }
  // A pixmap in another format is converted; sides of 0 or less read nothing.
  TPixmapRef rgb = NewPixmap(2, 2, PF_RGB888, 4);
  for (int32_t y = 0; y < 2; ++y) std::memset(rgb->PixelAddress(0, y), 200, 6);
  driver->BlitPixmap(rgb, 100, 100);
  EXPECT_RGB_NEAR(Pixel(101, 101), 200, 200, 200, 0);
  EXPECT_EQ(driver->ReadPixels(0, 0, 0, 5), nullptr);
  EXPECT_EQ(driver->ReadPixels(0, 0, 5, -1), nullptr);
}

// The texture a frame of its own was given, read back whole.
TPixmapRef TextureOf(const TGLTextureFrame& frame, int32_t level = 0) {
  glBindTexture(GL_TEXTURE_2D, frame.texture);
  GLint w = 0, h = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &h);
  if (w == 0 || h == 0) return nullptr;
  TPixmapRef t = NewPixmap(w, h, PF_RGBA8888, 4);
  glPixelStorei(GL_PACK_ROW_LENGTH, t->pitch / 4);
  glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, t->pixels);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  return t;
}

TEST_F(GLRenderDriverTest, TextureSizesPaddingAndLevels) {
  driver->SetTexturePages(false);
  struct Case {
    int32_t w, h, flags;
    int32_t tw, th;
    float uMax, vMax;
    int32_t levels;
  } cases[] = {
      {640, 480, 2, 1024, 512, 0.625f, 0.9375f, 1},
      {256, 256, 0, 256, 256, 1.0f, 1.0f, 1},
      {1, 1, 0, 1, 1, 1.0f, 1.0f, 1},
      {0, 0, 0, 1, 1, 1.0f, 1.0f, 1},  // no pixels: one transparent texel
      {640, 480, 4, 1024, 512, 0.625f, 0.9375f, 11},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " flags " << c.flags);
    TPixmapRef p = c.w ? NewPixmap(c.w, c.h, PF_RGBA8888, 4) : nullptr;
    if (p) {
      for (int32_t y = 0; y < c.h; ++y) {
        for (int32_t x = 0; x < c.w; ++x) {
          uint8_t* q = p->PixelAddress(x, y);
          q[0] = static_cast<uint8_t>(x), q[1] = static_cast<uint8_t>(y), q[2] = 9, q[3] = 255;
        }
      }
    }
    auto frame = std::dynamic_pointer_cast<TGLTextureFrame>(driver->CreateFrame(p, c.flags));
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->uMin, 0.0f);
    EXPECT_EQ(frame->vMin, 0.0f);
    EXPECT_FLOAT_EQ(frame->uMax, c.uMax);
    EXPECT_FLOAT_EQ(frame->vMax, c.vMax);
    EXPECT_EQ(frame->sequence, GraphicsSequence());
    TPixmapRef t = TextureOf(*frame);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->width, c.tw);
    EXPECT_EQ(t->height, c.th);
    if (c.levels > 1) {
      TPixmapRef last = TextureOf(*frame, c.levels - 1);
      ASSERT_NE(last, nullptr);
      EXPECT_EQ(last->width * last->height, 1) << "the chain ends at 1 x 1";
      TPixmapRef before = TextureOf(*frame, c.levels - 2);
      EXPECT_EQ(before->width, 2);
      EXPECT_EQ(before->height, 1);
    }
    if (!p) {
      EXPECT_EQ(At(t, 0, 0).a, 0);
    } else if (c.w < c.tw) {
      const int32_t w = c.w, h = c.h;
      for (int32_t y : {0, h / 2, h - 1}) EXPECT_EQ(At(t, w, y).r, At(t, w - 1, y).r) << y;
      for (int32_t x : {0, w / 2, w - 1}) EXPECT_EQ(At(t, x, h).g, At(t, x, h - 1).g) << x;
      EXPECT_EQ(At(t, w, h).r, (w - 1) & 255);
      EXPECT_EQ(At(t, w, h).g, (h - 1) & 255);
      EXPECT_EQ(At(t, w + 1, 0).a, 0) << "the rest is transparent black";
      EXPECT_EQ(At(t, 0, h + 1).a, 0);
      EXPECT_EQ(At(t, c.tw - 1, c.th - 1).a, 0);
    }
    MakeGraphicsCurrent(graphics);  // the queries above bound textures behind the cache
  }
}

TEST_F(GLRenderDriverTest, AbsurdSizesAreFittedNotFatal) {
  // Wider than any texture may be: both sides halve until the proxy accepts, then resample.
  TPixmapRef wide = Solid(70000, 1, 10, 200, 30);
  auto frame = std::dynamic_pointer_cast<TGLTextureFrame>(driver->CreateFrame(wide, 2));
  ASSERT_NE(frame, nullptr);
  GLint most = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &most);
  TPixmapRef t = TextureOf(*frame);
  EXPECT_LE(t->width, most);
  EXPECT_FLOAT_EQ(frame->uMax, 1.0f) << "resampled to fill the fitted size";
  MakeGraphicsCurrent(graphics);
  driver->ApplyColor(255, 255, 255);
  frame->DrawQuad(0, 0, 100, 10, 0, 0);
  EXPECT_RGB_NEAR(Pixel(50, 5), 10, 200, 30, 1);
}

// A 1 x 1 and a 16384 x 1 picture from PNG files, made into images and drawn stretched: the
// single pixel fills its rectangle, and the wide one shows its two ends where they belong.
TEST_F(GLRenderDriverTest, OneByOneAndSixteenThousandByOneImagesDraw) {
  static fixtures::Bytes files[2];
  fixtures::PngPicture dot;
  dot.width = dot.height = 1;
  dot.sample = [](int, int, int c) { return uint32_t(c == 0 ? 250 : c == 1 ? 120 : 40); };
  files[0] = fixtures::EncodePng(dot);
  // Green for the first 512 columns, blue for the last 512, red between.
  fixtures::PngPicture wide;
  wide.width = 16384;
  wide.height = 1;
  wide.sample = [](int x, int, int c) {
    const int part = x < 512 ? 1 : x >= 16384 - 512 ? 2 : 0;
    return uint32_t(c == part ? 255 : 0);
  };
  files[1] = fixtures::EncodePng(wide);
  RegisterEmbeddedData("gl_render_driver_test/dot.png", files[0].data(), int64_t(files[0].size()));
  RegisterEmbeddedData("gl_render_driver_test/wide.png", files[1].data(), int64_t(files[1].size()));
  TImageRef dotImage = LoadImageFile("incbin::gl_render_driver_test/dot.png", 0);
  TImageRef wideImage = LoadImageFile("incbin::gl_render_driver_test/wide.png", 0);
  ASSERT_NE(dotImage, nullptr);
  ASSERT_NE(wideImage, nullptr);
  EXPECT_EQ(ImagePixelWidth(wideImage), 16384);
  EXPECT_EQ(ImagePixelHeight(wideImage), 1);
  SetBlendMode(BLEND_SOLID);
  SetDrawColor(255, 255, 255);
  DrawImageStretched(dotImage, 10, 10, 20, 20, 0);
  DrawImageStretched(wideImage, 0, 100, 640, 10, 0);  // 25.6 columns to a pixel
  EXPECT_RGB_NEAR(Pixel(10, 10), 250, 120, 40, 1);
  EXPECT_RGB_NEAR(Pixel(29, 29), 250, 120, 40, 1);
  EXPECT_RGB_NEAR(Pixel(30, 30), 0, 0, 0, 0);
  EXPECT_RGB_NEAR(Pixel(0, 105), 0, 255, 0, 1);
  EXPECT_RGB_NEAR(Pixel(18, 105), 0, 255, 0, 1);
  EXPECT_RGB_NEAR(Pixel(320, 105), 255, 0, 0, 1);
  EXPECT_RGB_NEAR(Pixel(621, 105), 0, 0, 255, 1);
  EXPECT_RGB_NEAR(Pixel(639, 105), 0, 0, 255, 1);
  EXPECT_RGB_NEAR(Pixel(320, 110), 0, 0, 0, 0);
}

TEST_F(GLRenderDriverTest, FilteredWideTextureHasNoDarkFringe) {
  Open(1024, 768, 32);  // full screen, so a 1.5x magnification fits
  auto frame = driver->CreateFrame(Solid(640, 480, 200, 100, 50), 2);
  driver->ApplyColor(255, 255, 255);
  frame->DrawQuad(0, 0, 960, 720, 0, 0);
  for (int32_t y : {0, 360, 718, 719}) {
    for (int32_t x : {0, 480, 958, 959}) {
      SCOPED_TRACE(testing::Message() << x << "," << y);
      EXPECT_RGB_NEAR(Pixel(x, y), 200, 100, 50, 1);
    }
  }
  EXPECT_RGB_NEAR(Pixel(960, 100), 0, 0, 0, 0);
  EXPECT_RGB_NEAR(Pixel(100, 720), 0, 0, 0, 0);
}

TEST_F(GLRenderDriverTest, TexturedQuadsKeepTheirOrderColourAndState) {
  auto red = driver->CreateFrame(Solid(8, 8, 255, 0, 0), 0);
  auto green = driver->CreateFrame(Solid(100, 100, 0, 255, 0), 0);
  driver->ApplyBlend(BLEND_SOLID);
  driver->ApplyColor(255, 255, 255);
  red->DrawQuad(0, 0, 20, 20, 0, 0);
  green->DrawQuad(0, 0, 20, 20, 10, 0);  // over the right half of red
  driver->ApplyColor(0, 0, 255);
  driver->FillQuad(0, 0, 5, 5, 0, 0);  // untextured, over both
  driver->ApplyColor(255, 128, 255);
  red->DrawQuad(0, 0, 5, 5, 40, 0);     // modulated by the colour
  driver->ApplyTransform(0, -1, 1, 0);  // rotated 90 degrees: x goes down
  red->DrawQuad(0, 0, 10, 4, 60, 0);
  EXPECT_RGB_NEAR(Pixel(2, 2), 0, 0, 255, 0);
  EXPECT_RGB_NEAR(Pixel(7, 10), 255, 0, 0, 0);
  EXPECT_RGB_NEAR(Pixel(15, 10), 0, 255, 0, 0);
  EXPECT_RGB_NEAR(Pixel(42, 2), 255, 0, 0, 0);
  EXPECT_RGB_NEAR(Pixel(58, 8), 255, 0, 0, 0);
  EXPECT_RGB_NEAR(Pixel(58, 12), 0, 0, 0, 0);
  EXPECT_RGB_NEAR(Pixel(62, 8), 0, 0, 0, 0);
}

// A small picture with smooth colour ramps and a soft round edge, like a glyph's.
TPixmapRef RampPicture(int32_t w, int32_t h, int32_t seed) {
  TPixmapRef p = NewPixmap(w, h, PF_RGBA8888, 4);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      const float dx = (x + 0.5f) / w - 0.5f, dy = (y + 0.5f) / h - 0.5f;
      const float edge = std::clamp((0.5f - std::sqrt(dx * dx + dy * dy)) * 6.0f, 0.0f, 1.0f);
      uint8_t* q = p->PixelAddress(x, y);
      q[0] = static_cast<uint8_t>(255 * (x + 1) / w);
      q[1] = static_cast<uint8_t>(255 * (y + 1) / h);
      q[2] = static_cast<uint8_t>(seed * 40);
      q[3] = static_cast<uint8_t>(255 * edge);
    }
  }
  return p;
}

// The same scene of small frames, drawn once with frames from shared pages and once with a
// texture per frame, at 1:1, magnified and rotated, and minified (where mipmaps count).
TEST_F(GLRenderDriverTest, SmallFramesOnPagesDrawAsOnTexturesOfTheirOwn) {
  struct Picture {
    int32_t w, h, flags;
  } pictures[] = {{1, 1, 2},   {3, 7, 0},   {16, 16, 2}, {20, 24, 6}, {33, 17, 2},
                  {40, 40, 6}, {64, 64, 2}, {64, 5, 6},  {13, 29, 6}, {24, 31, 0},
                  {5, 64, 2},  {31, 31, 6}, {48, 20, 6}, {2, 2, 6},   {60, 45, 2}};
  auto draw = [&](bool pages) {
    driver->SetTexturePages(pages);
    std::vector<TImageFrameRef> frames;
    int32_t seed = 0;
    for (const Picture& p : pictures) {
      frames.push_back(driver->CreateFrame(RampPicture(p.w, p.h, seed++), p.flags));
    }
    auto* first = dynamic_cast<TGLTextureFrame*>(frames[2].get());
    EXPECT_EQ(first->page != nullptr, pages);
    driver->ApplyBlend(BLEND_SOLID);
    driver->ApplyClearColor(30, 60, 90);
    driver->ClearBuffer();
    driver->ApplyBlend(BLEND_ALPHA);
    for (size_t i = 0; i < frames.size(); ++i) {
      const Picture& p = pictures[i];
      const float col = static_cast<float>(i % 5) * 125, row = static_cast<float>(i / 5) * 155;
      driver->ApplyColor(255, 255, 255);
      driver->ApplyAlpha(1);
      driver->ApplyTransform(1, 0, 0, 1);
      frames[i]->DrawQuad(0, 0, p.w, p.h, col + 2, row + 2);
      const float a = 0.3f + 0.1f * i, c = 2.3f * std::cos(a), s = 2.3f * std::sin(a);
      driver->ApplyTransform(c, -s, s, c);
      driver->ApplyColor(255, 200, 160);
      driver->ApplyAlpha(0.8f);
      frames[i]->DrawQuad(-p.w / 2.0f, -p.h / 2.0f, p.w / 2.0f, p.h / 2.0f, col + 80, row + 50);
      driver->ApplyTransform(0.37f, 0, 0, 0.45f);
      frames[i]->DrawQuad(0, 0, p.w, p.h, col + 10.3f, row + 110.6f);
    }
    return driver->ReadPixels(0, 0, 640, 480);
  };
  TPixmapRef paged = draw(true);
  TPixmapRef own = draw(false);
  int32_t differing = 0, worst = 0;
  for (int32_t y = 0; y < 480; ++y) {
    for (int32_t x = 0; x < 640; ++x) {
      const uint8_t* a = paged->PixelAddress(x, y);
      const uint8_t* b = own->PixelAddress(x, y);
      int32_t d = 0;
      for (int k = 0; k < 3; ++k) d = std::max(d, std::abs(a[k] - b[k]));
      if (d) ++differing;
      worst = std::max(worst, d);
    }
  }
  EXPECT_LE(differing, 640 * 480 / 100) << "at most 1 % of the pixels differ";
  EXPECT_LE(worst, 4) << "and those by a few levels (" << differing << " differ)";
  RecordProperty("differing", differing);
  RecordProperty("worst", worst);
  // And the scene is not empty: the drawn frames cover a good part of the screen.
  int32_t covered = 0;
  for (int32_t y = 0; y < 480; ++y) {
    for (int32_t x = 0; x < 640; ++x) covered += At(own, x, y).b != 90;
  }
  EXPECT_GT(covered, 640 * 480 / 20);
}

TEST_F(GLRenderDriverTest, PagesShareOneTextureAndGiveBackTheirCells) {
  auto a =
      std::dynamic_pointer_cast<TGLTextureFrame>(driver->CreateFrame(Solid(20, 30, 1, 2, 3), 6));
  auto b =
      std::dynamic_pointer_cast<TGLTextureFrame>(driver->CreateFrame(Solid(9, 25, 1, 2, 3), 6));
  auto other =
      std::dynamic_pointer_cast<TGLTextureFrame>(driver->CreateFrame(Solid(9, 25, 1, 2, 3), 2));
  ASSERT_TRUE(a->page && b->page && other->page);
  EXPECT_EQ(a->texture, b->texture) << "same filtering and side class";
  EXPECT_NE(a->texture, other->texture) << "mipmapped and plain frames keep apart";
  const int32_t cell = b->cell;
  b.reset();
  auto c =
      std::dynamic_pointer_cast<TGLTextureFrame>(driver->CreateFrame(Solid(30, 30, 1, 2, 3), 6));
  EXPECT_EQ(c->texture, a->texture);
  EXPECT_EQ(c->cell, cell) << "a freed cell is used again";
}

}  // namespace
