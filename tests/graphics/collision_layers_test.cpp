// Collision layers: pixel-exact overlap of masked images, rotated images and rectangles.
#include "graphics/collision_layers.h"

#include <gtest/gtest.h>

#include <functional>

#include "graphics/draw_graphics.h"
#include "support/fake_system_driver.h"
#include "support/recording_render_driver.h"

namespace {

// A w x h image whose pixel (x, y) is opaque where solid(x, y), transparent elsewhere.
TImageRef Masked(int32_t w, int32_t h, const std::function<bool(int32_t, int32_t)>& solid) {
  TPixmapRef p = NewPixmap(w, h, PF_RGBA8888, 4);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) p->PutPixelARGB(x, y, solid(x, y) ? 0xFFFFFFFFu : 0x7F000000u);
  return TImage::FromSource(p, ImageFlagMasked, 0, 0, 0);
}

TImageRef Square(int32_t side) {
  return Masked(side, side, [](int32_t, int32_t) { return true; });
}

class CollisionLayersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    system_ = InstallFakeSystemDriver();
    driver = OpenRecordingGraphics();
    ASSERT_NE(driver, nullptr);
    ClearCollisionLayers(0);
  }
  void TearDown() override {
    ClearCollisionLayers(0);
    CloseAppGraphics();
    SelectDisplayDriver(nullptr, 0);
  }
  std::shared_ptr<TFakeSystemDriver> system_;
  TRecordingRenderDriverRef driver;
};

TEST_F(CollisionLayersTest, SolidPixelsMustMeetNotJustTheBoxes) {
  TImageRef a = Square(10), b = Square(10);
  EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, b, 9, 9, 0), 1) << "one pixel in common";
  EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, b, 10, 0, 0), 0) << "edges touching";
  EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, b, 0, 10, 0), 0) << "edges touching";
  EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, b, 9.6f, 0, 0), 0)
      << "under half a pixel: no centre in common";
  // A ring: its hole lets a small square through, its rim does not.
  TImageRef ring =
      Masked(12, 12, [](int32_t x, int32_t y) { return x < 2 || y < 2 || x >= 10 || y >= 10; });
  TImageRef dot = Square(4);
  EXPECT_EQ(ImagesOverlap(ring, 0, 0, 0, dot, 4, 4, 0), 0);
  EXPECT_EQ(ImagesOverlap(ring, 0, 0, 0, dot, 7, 4, 0), 1);
  // Alpha just below and at half: 127 is clear, 128 solid.
  TImageRef half = Masked(4, 4, [](int32_t x, int32_t) { return x >= 2; });
  half->pixmaps[0]->PutPixelARGB(1, 1, 0x80FFFFFFu);
  EXPECT_EQ(ImagesOverlap(half, 0, 0, 0, Square(1), 0, 0, 0), 0);
  EXPECT_EQ(ImagesOverlap(half, 0, 0, 0, Square(1), 1, 1, 0), 1);
}

TEST_F(CollisionLayersTest, HandlesOriginAndRotationPlaceTheQuads) {
  TImageRef bar = Masked(20, 2, [](int32_t, int32_t) { return true; });
  TImageRef probe = Square(2);
  // Upright, the bar reaches right; turned by 90 degrees about its top-left corner, down
  // (and one column to the left of x, since the bar's height turns to the left).
  EXPECT_EQ(ImagesOverlap(bar, 50, 50, 0, probe, 60, 50, 0), 1);
  EXPECT_EQ(ImagesOverlap(bar, 50, 50, 0, probe, 49, 60, 0), 0);
  EXPECT_EQ(ImagesOverlapTransformed(bar, 50, 50, 0, 90, 1, 1, probe, 60, 50, 0, 0, 1, 1), 0);
  EXPECT_EQ(ImagesOverlapTransformed(bar, 50, 50, 0, 90, 1, 1, probe, 48, 60, 0, 0, 1, 1), 1);
  // Scaled by 2, the bar reaches twice as far.
  EXPECT_EQ(ImagesOverlapTransformed(bar, 50, 50, 0, 0, 2, 1, probe, 85, 50, 0, 0, 1, 1), 1);
  EXPECT_EQ(ImagesOverlap(bar, 50, 50, 0, probe, 85, 50, 0), 0)
      << "the matrix in force before is back";

  // The image's own handle and the drawing origin move the quad like drawing does.
  EXPECT_EQ(ImagesOverlap(bar, 50, 50, 0, probe, 50, 49, 0), 1);
  CenterImageAnchor(probe);
  EXPECT_EQ(ImagesOverlap(bar, 50, 50, 0, probe, 50, 49, 0), 0);
  SetDrawOrigin(100, 0);
  EXPECT_EQ(ImagesOverlap(bar, 50, 50, 0, probe, 50, 51, 0), 1) << "both move";
  // Layer 31 now holds the bar at (150, 50); a rectangle moves with the origin too.
  EXPECT_EQ(CollideRectLayers(48, 49, 4, 4, 1u << 31, 0, nullptr).size(), 1u);
  EXPECT_EQ(CollideRectLayers(148, 49, 4, 4, 1u << 31, 0, nullptr).size(), 0u);
}

TEST_F(CollisionLayersTest, RectanglesOverTransparentHolesAndLayerMasks) {
  TImageRef ring =
      Masked(12, 12, [](int32_t x, int32_t y) { return x < 2 || y < 2 || x >= 10 || y >= 10; });
  auto wall = std::make_shared<TObject>(), door = std::make_shared<TObject>();
  EXPECT_TRUE(CollideImageLayers(ring, 0, 0, 0, 0, 1u << 1, wall).empty());
  EXPECT_TRUE(CollideRectLayers(100, 100, 4, 4, 0, 1u << 2, door).empty());

  // Inside the hole: nothing; over the rim: the ring's id.
  EXPECT_TRUE(CollideRectLayers(3, 3, 6, 6, 0xFFFFFFFFu, 0, nullptr).empty());
  auto hits = CollideRectLayers(3, 3, 8, 6, 0xFFFFFFFFu, 0, nullptr);
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0], wall);
  // Only the layers in the collide mask are looked at.
  EXPECT_TRUE(CollideRectLayers(0, 0, 200, 200, 1u << 3, 0, nullptr).empty());
  EXPECT_EQ(CollideRectLayers(0, 0, 200, 200, (1u << 1) | (1u << 2), 0, nullptr).size(), 2u);
  ClearCollisionLayers(1u << 1);
  hits = CollideRectLayers(0, 0, 200, 200, 0xFFFFFFFFu, 0, nullptr);
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0], door);
  // A rectangle follows the draw handle, as DrawFilledRect does.
  SetDrawHandle(50, 50);
  EXPECT_EQ(CollideRectLayers(150, 150, 4, 4, 1u << 2, 0, nullptr).size(), 1u);
  ClearCollisionLayers(0);
  EXPECT_TRUE(CollideRectLayers(0, 0, 2000, 2000, 0xFFFFFFFFu, 0, nullptr).empty());
}

TEST_F(CollisionLayersTest, FramesThatDoNotExistCollideWithNothing) {
  TImageRef a = Square(4);
  EXPECT_EQ(ImagesOverlap(a, 0, 0, 3, a, 0, 0, 0), 0);
  EXPECT_TRUE(CollideImageLayers(a, 0, 0, -1, 0xFFFFFFFFu, 0xFFFFFFFFu, nullptr).empty());
  EXPECT_TRUE(CollideImageLayers(nullptr, 0, 0, 0, 0xFFFFFFFFu, 0xFFFFFFFFu, nullptr).empty());
  EXPECT_TRUE(CollideRectLayers(0, 0, 10, 10, 0xFFFFFFFFu, 0, nullptr).empty());
  // A degenerate scale gives a quad that covers nothing.
  EXPECT_EQ(ImagesOverlapTransformed(a, 0, 0, 0, 0, 0, 0, a, 0, 0, 0, 0, 1, 1), 0);
}

}  // namespace
