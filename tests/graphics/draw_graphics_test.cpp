// The 2D drawing state through the recording render driver: defaults, placement by origin,
// handle and matrix, and per-surface state.
#include "graphics/draw_graphics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "graphics/glyph_font.h"
#include "graphics/graphics_module.h"
#include "graphics/image.h"
#include "support/fake_system_driver.h"
#include "support/recording_render_driver.h"

namespace {

class DrawGraphicsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitGraphics();
    system_ = InstallFakeSystemDriver();
    driver = InstallRecordingRenderDriver();
    graphics = OpenGraphics(1024, 768, 32, 0, 0);
    ASSERT_NE(graphics, nullptr);
  }
  void TearDown() override {
    CloseAppGraphics();
    SelectDisplayDriver(nullptr, 0);
  }

  // A w x h image whose every pixel is opaque white.
  static TImageRef SolidImage(int32_t w, int32_t h) {
    TPixmapRef p = NewPixmap(w, h, PF_RGBA8888, 4);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) p->PutPixelARGB(x, y, 0xFFFFFFFFu);
    return TImage::FromSource(p, 0, 0, 0, 0);
  }

  // The screen corners of the last quad-like call: (x0, y0) and (x1, y1) through its matrix.
  static void Corners(const TDrawCall& c, float& x0, float& y0, float& x1, float& y1) {
    c.Map(c.Arg(0), c.Arg(1), c.Arg(4), c.Arg(5), x0, y0);
    c.Map(c.Arg(2), c.Arg(3), c.Arg(4), c.Arg(5), x1, y1);
  }

  std::shared_ptr<TFakeSystemDriver> system_;
  TRecordingRenderDriverRef driver;
  TGraphicsRef graphics;
};

TEST_F(DrawGraphicsTest, FirstBindingAppliesTheDefaultsAndClearsBothBuffers) {
  int32_t r, g, b;
  GetDrawColor(r, g, b);
  EXPECT_EQ((std::vector<int32_t>{r, g, b}), (std::vector<int32_t>{255, 255, 255}));
  GetClearColor(r, g, b);
  EXPECT_EQ((std::vector<int32_t>{r, g, b}), (std::vector<int32_t>{0, 0, 0}));
  GetImageMaskColor(r, g, b);
  EXPECT_EQ((std::vector<int32_t>{r, g, b}), (std::vector<int32_t>{0, 0, 0}));
  EXPECT_EQ(GetDrawAlpha(), 1.0f);
  EXPECT_EQ(GetBlendMode(), BLEND_MASK);
  EXPECT_EQ(GetLineThickness(), 1.0f);
  EXPECT_EQ(GetDrawRotation(), 0.0f);
  float x, y;
  GetDrawScale(x, y);
  EXPECT_EQ(x, 1.0f);
  EXPECT_EQ(y, 1.0f);
  GetDrawOrigin(x, y);
  EXPECT_EQ(x + y, 0.0f);
  GetDrawHandle(x, y);
  EXPECT_EQ(x + y, 0.0f);
  int32_t vx, vy, vw, vh;
  GetViewArea(vx, vy, vw, vh);
  EXPECT_EQ((std::vector<int32_t>{vx, vy, vw, vh}), (std::vector<int32_t>{0, 0, 1024, 768}));
  EXPECT_EQ(DefaultImageFlags(), ImageFlagMasked | ImageFlagFiltered);
  EXPECT_EQ(AutoMidHandle(), 0);
  ASSERT_NE(CurrentFont(), nullptr);
  EXPECT_EQ(CurrentFont()->face, nullptr);
  EXPECT_EQ(CurrentFont()->Height(), 16);

  // The driver saw the values, the identity matrix, and two clear-and-present rounds.
  EXPECT_EQ(driver->Last("ApplyTransform").args, (std::vector<float>{1, 0, 0, 1}));
  EXPECT_EQ(driver->Last("ApplyViewport").args, (std::vector<float>{0, 0, 1024, 768}));
  EXPECT_EQ(driver->Last("ApplyBlend").args, (std::vector<float>{1}));
  std::string rounds;
  for (const auto& c : driver->calls) {
    if (c.name == "ClearBuffer") rounds += 'C';
    if (c.name == "Present" && c.Arg(0) == 0) rounds += 'P';
  }
  EXPECT_EQ(rounds, "CPCP") << driver->Names();
}

TEST_F(DrawGraphicsTest, HandleMovesARectangleAgainstItsPosition) {
  SetDrawHandle(10, 20);
  DrawFilledRect(100, 100, 50, 50);
  float x0, y0, x1, y1;
  Corners(driver->Last("FillQuad"), x0, y0, x1, y1);
  EXPECT_FLOAT_EQ(x0, 90);
  EXPECT_FLOAT_EQ(y0, 80);
  EXPECT_FLOAT_EQ(x1, 140);
  EXPECT_FLOAT_EQ(y1, 130);
}

TEST_F(DrawGraphicsTest, RotationNinetyRunsTextDownwards) {
  SetDrawRotation(90);
  driver->ClearCalls();
  DrawTextAt(u"AB", 100, 100);
  auto glyphs = driver->DrawnGlyphs(CurrentFont());
  ASSERT_EQ(glyphs.size(), 2u) << driver->Names();
  EXPECT_EQ(glyphs[0].character, u'A');
  EXPECT_NEAR(glyphs[0].x, 100, 1e-3);
  EXPECT_NEAR(glyphs[0].y, 100, 1e-3);
  EXPECT_NEAR(glyphs[1].x, 100, 1e-3);
  EXPECT_NEAR(glyphs[1].y, 108, 1e-3);
  // The glyph's own right edge also turns downwards, its bottom edge to the left.
  const TDrawCall& a = glyphs[0].call;
  float x, y;
  a.Map(a.Arg(2), a.Arg(1), a.Arg(4), a.Arg(5), x, y);
  EXPECT_NEAR(x, 100, 1e-3);
  EXPECT_NEAR(y, 108, 1e-3);
  a.Map(a.Arg(0), a.Arg(3), a.Arg(4), a.Arg(5), x, y);
  EXPECT_NEAR(x, 84, 1e-3);
  EXPECT_NEAR(y, 100, 1e-3);
}

TEST_F(DrawGraphicsTest, StretchedImagesScaleAboutTheirPositionWithTheirOwnHandle) {
  TImageRef plain = SolidImage(16, 16);
  SetDrawScale(2, 2);
  DrawImageStretched(plain, 0, 0, 1024, 768, 0);
  float x0, y0, x1, y1;
  Corners(driver->Last("DrawQuad"), x0, y0, x1, y1);
  EXPECT_FLOAT_EQ(x0, 0);
  EXPECT_FLOAT_EQ(y0, 0);
  EXPECT_FLOAT_EQ(x1, 2048);
  EXPECT_FLOAT_EQ(y1, 1536);

  // The handle is in the image's own pixels and is not scaled to the stretched size; the draw
  // handle does not apply to images.
  SetDrawScale(1, 1);
  SetDrawHandle(7, 7);
  TImageRef centred = SolidImage(800, 600);
  CenterImageAnchor(centred);
  DrawImageStretched(centred, 0, 0, 1024, 768, 0);
  Corners(driver->Last("DrawQuad"), x0, y0, x1, y1);
  EXPECT_FLOAT_EQ(x0, -400);
  EXPECT_FLOAT_EQ(y0, -300);
  EXPECT_FLOAT_EQ(x1, 624);
  EXPECT_FLOAT_EQ(y1, 468);
}

TEST_F(DrawGraphicsTest, OriginMovesEverythingButPixmaps) {
  TImageRef image = SolidImage(4, 4);
  TPixmapRef pixmap = NewPixmap(2, 2, PF_RGBA8888, 4);
  struct Case {
    const char* call;
    std::function<void()> draw;
    int xArg;  // index of the argument that carries the position
  };
  const Case cases[] = {
      {"PlotPoint", [] { DrawPoint(1, 2); }, 0},
      {"StrokeLine", [] { DrawLineSegment(1, 2, 30, 40, 0); }, 4},
      {"FillQuad", [] { DrawFilledRect(1, 2, 3, 4); }, 4},
      {"FillEllipse", [] { DrawFilledOval(1, 2, 3, 4); }, 4},
      {"FillPolygon",
       [] {
         DrawFilledPoly({0, 0, 5, 0, 5, 5});
       },
       2},
      {"DrawQuad", [] { DrawTextAt(u"X", 1, 2); }, 4},
      {"DrawQuad", [&] { DrawImageAt(image, 1, 2, 0); }, 4},
      {"DrawQuad", [&] { DrawImageStretched(image, 1, 2, 9, 9, 0); }, 4},
  };
  for (const Case& c : cases) {
    SetDrawOrigin(0, 0);
    c.draw();
    const TDrawCall plain = driver->Last(c.call);
    SetDrawOrigin(5, 5);
    c.draw();
    const TDrawCall moved = driver->Last(c.call);
    ASSERT_EQ(moved.args.size(), plain.args.size()) << c.call;
    for (size_t i = 0; i < plain.args.size(); ++i) {
      const bool position =
          i == static_cast<size_t>(c.xArg) || i == static_cast<size_t>(c.xArg) + 1;
      EXPECT_FLOAT_EQ(moved.args[i], plain.args[i] + (position ? 5.0f : 0.0f))
          << c.call << " argument " << i;
    }
  }
  DrawPixmapAt(pixmap, 10, 20);
  EXPECT_EQ(driver->Last("BlitPixmap").args, (std::vector<float>{10, 20}));
  EXPECT_EQ(driver->Last("BlitPixmap").pixmap, pixmap);
}

TEST_F(DrawGraphicsTest, LineSegmentLightsItsLastPixelOnlyWhenAsked) {
  SetDrawOrigin(3, 4);
  driver->ClearCalls();
  DrawLineSegment(0, 0, 10, 0, 1);
  EXPECT_EQ(driver->Last("StrokeLine").args, (std::vector<float>{0, 0, 10, 0, 3, 4}));
  EXPECT_EQ(driver->Last("PlotPoint").args, (std::vector<float>{13, 4}));
  driver->ClearCalls();
  DrawLineSegment(0, 0, 10, 0, 0);
  EXPECT_EQ(driver->Count("StrokeLine"), 1);
  EXPECT_EQ(driver->Count("PlotPoint"), 0);
  // Rotated, the end pixel follows the matrix.
  SetDrawRotation(90);
  DrawLineSegment(0, 0, 10, 0, 1);
  EXPECT_NEAR(driver->Last("PlotPoint").Arg(0), 3, 1e-4);
  EXPECT_NEAR(driver->Last("PlotPoint").Arg(1), 14, 1e-4);
}

TEST_F(DrawGraphicsTest, SecondSurfaceKeepsItsOwnState) {
  SetDrawColor(10, 20, 30);
  SetDrawOrigin(1, 2);
  TGraphicsRef second = NewGraphics(640, 480, 0, 0, 0);
  ASSERT_NE(second, nullptr);
  MakeGraphicsCurrent(second);
  int32_t r, g, b, vx, vy, vw, vh;
  GetDrawColor(r, g, b);
  EXPECT_EQ(r, 255) << "a new surface starts from the defaults";
  GetViewArea(vx, vy, vw, vh);
  EXPECT_EQ(vw, 640);
  SetDrawColor(1, 2, 3);

  driver->ClearCalls();
  MakeGraphicsCurrent(graphics);
  EXPECT_EQ(driver->Count("ClearBuffer"), 0) << "switching back does not reset the surface";
  GetDrawColor(r, g, b);
  EXPECT_EQ((std::vector<int32_t>{r, g, b}), (std::vector<int32_t>{10, 20, 30}));
  float ox, oy;
  GetDrawOrigin(ox, oy);
  EXPECT_EQ(ox, 1);
  EXPECT_EQ(driver->Last("ApplyColor").args, (std::vector<float>{10, 20, 30}));

  MakeGraphicsCurrent(second);
  GetDrawColor(r, g, b);
  EXPECT_EQ((std::vector<int32_t>{r, g, b}), (std::vector<int32_t>{1, 2, 3}));
  ReleaseGraphics(second);
}

TEST_F(DrawGraphicsTest, TilesCoverTheViewAreaFromWhereverTheGridFalls) {
  TImageRef tile = SolidImage(32, 16);
  SetViewArea(10, 20, 100, 50);
  SetDrawRotation(30);
  const float rotated[4] = {
      driver->Last("ApplyTransform").Arg(0), driver->Last("ApplyTransform").Arg(1),
      driver->Last("ApplyTransform").Arg(2), driver->Last("ApplyTransform").Arg(3)};
  // Offsets on the grid exactly (column and row 0 must still be covered), off it, negative,
  // fractional, far away.
  const float offsets[][2] = {{10, 20}, {-53, -11},    {-54, -28},     {-22, 4},
                              {0, 0},   {3.5f, 7.25f}, {-1000, -1000}, {5000, 3000}};
  for (const auto& o : offsets) {
    driver->ClearCalls();
    DrawImageTiled(tile, o[0], o[1], 0);
    auto quads = driver->Calls("DrawQuad");
    ASSERT_FALSE(quads.empty());
    float minX = 1e9f, minY = 1e9f, maxX = -1e9f, maxY = -1e9f;
    for (const auto& q : quads) {
      EXPECT_EQ(q.ix, 1.0f);
      EXPECT_EQ(q.iy, 0.0f);
      EXPECT_EQ(q.args, (std::vector<float>{0, 0, 32, 16, q.Arg(4), q.Arg(5)}));
      // On the grid through the offset.
      EXPECT_FLOAT_EQ(std::fmod(q.Arg(4) - o[0], 32.0f), 0.0f) << o[0];
      EXPECT_FLOAT_EQ(std::fmod(q.Arg(5) - o[1], 16.0f), 0.0f) << o[1];
      minX = std::min(minX, q.Arg(4));
      minY = std::min(minY, q.Arg(5));
      maxX = std::max(maxX, q.Arg(4) + 32);
      maxY = std::max(maxY, q.Arg(5) + 16);
    }
    EXPECT_LE(minX, 10) << o[0];
    EXPECT_GT(minX, 10 - 32) << o[0];
    EXPECT_LE(minY, 20) << o[1];
    EXPECT_GT(minY, 20 - 16) << o[1];
    EXPECT_GE(maxX, 110) << o[0];
    EXPECT_GE(maxY, 70) << o[1];
    // Each tile exactly once: the columns and rows needed and no more.
    const int columns = static_cast<int>((maxX - minX) / 32),
              rows = static_cast<int>((maxY - minY) / 16);
    EXPECT_EQ(static_cast<int>(quads.size()), columns * rows);
    EXPECT_LT(maxX - 32, 110);
    EXPECT_LT(maxY - 16, 70);
    // The matrix in force before is sent again.
    EXPECT_EQ(driver->Last("ApplyTransform").args,
              (std::vector<float>{rotated[0], rotated[1], rotated[2], rotated[3]}));
  }
}

TEST_F(DrawGraphicsTest, TilingAnImageWithoutSidesDrawsNothing) {
  TImageRef empty = CreateBlankImage(0, 16, 1, 0);
  driver->ClearCalls();
  DrawImageTiled(empty, 0, 0, 0);
  EXPECT_EQ(driver->Count("DrawQuad"), 0);
  EXPECT_EQ(driver->Count("ApplyTransform"), 0);
}

TEST_F(DrawGraphicsTest, CapturePixmapReadsTheScreenRectangle) {
  driver->screen = NewPixmap(8, 8, PF_RGBA8888, 4);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 8; ++x) driver->screen->PutPixelARGB(x, y, 0xFF000000u | (y * 8 + x));
  TPixmapRef p = CapturePixmap(2, 3, 2, 2);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->GetPixelARGB(0, 0), 0xFF000000u | (3 * 8 + 2));
  EXPECT_EQ(p->GetPixelARGB(1, 1), 0xFF000000u | (4 * 8 + 3));
}

TEST_F(DrawGraphicsTest, ReapplySendsTheStateAgainWithTheHandleAsItWasSet) {
  SetDrawColor(1, 2, 3);
  SetDrawHandle(4, 5);
  SetDrawTransform(45, 2, 3);
  driver->ClearCalls();
  CurrentDrawGraphics()->Reapply();
  EXPECT_EQ(driver->Last("ApplyColor").args, (std::vector<float>{1, 2, 3}));
  float hx, hy;
  GetDrawHandle(hx, hy);
  EXPECT_EQ(hx, -4);
  EXPECT_EQ(hy, -5);
  EXPECT_EQ(GetDrawRotation(), 45);
  EXPECT_GE(driver->Count("ApplyTransform"), 1);
}

TEST(DrawGraphicsWithoutGraphics, OperationsDoNothingInsteadOfFaulting) {
  InitGraphics();
  SelectDisplayDriver(nullptr, 0);
  BindDrawGraphics(nullptr);
  SetDrawColor(1, 2, 3);
  DrawFilledRect(0, 0, 10, 10);
  DrawTextAt(u"text", 0, 0);
  EXPECT_EQ(CapturePixmap(0, 0, 4, 4), nullptr);
  EXPECT_EQ(CurrentFont(), nullptr);
  EXPECT_EQ(TextPixelWidth(u"text"), 0);
}

}  // namespace
