// Helpers: the drawing-state reset, desktop centring, list neighbours, the frame counter, and
// the geometry and interpolation functions.
#include "framework/helpers.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <memory>

#include "framework/color.h"
#include "framework/vector2.h"
#include "framework_screen.h"

namespace {

using HelpersTest = ScreenTest;

TEST_F(HelpersTest, ResetDrawStateRestoresTheDefaultsButNotClearColourOrFont) {
  SetDrawAlpha(0.25f);
  SetBlendMode(4);
  SetDrawColor(1, 2, 3);
  SetDrawHandle(5, 6);
  SetLineThickness(3);
  SetDrawOrigin(7, 8);
  SetDrawTransform(45, 2, 3);
  SetClearColor(9, 10, 11);
  auto font = CurrentFont();

  ResetDrawState();

  int32_t r, g, b;
  float x, y;
  EXPECT_EQ(GetDrawAlpha(), 1.0f);
  EXPECT_EQ(GetBlendMode(), 1);
  GetDrawColor(r, g, b);
  EXPECT_EQ((std::array{r, g, b}), (std::array{255, 255, 255}));
  GetDrawHandle(x, y);
  EXPECT_EQ(x, 0.0f);
  EXPECT_EQ(y, 0.0f);
  EXPECT_EQ(GetLineThickness(), 1.0f);
  GetDrawOrigin(x, y);
  EXPECT_EQ(x, 0.0f);
  EXPECT_EQ(y, 0.0f);
  EXPECT_EQ(GetDrawRotation(), 0.0f);
  GetDrawScale(x, y);
  EXPECT_EQ(x, 1.0f);
  EXPECT_EQ(y, 1.0f);
  GetClearColor(r, g, b);
  EXPECT_EQ((std::array{r, g, b}), (std::array{9, 10, 11}));
  EXPECT_EQ(CurrentFont(), font);
  // The matrix the driver got is the identity again.
  EXPECT_EQ(driver->ix, 1.0f);
  EXPECT_EQ(driver->iy, 0.0f);
  EXPECT_EQ(driver->jx, 0.0f);
  EXPECT_EQ(driver->jy, 1.0f);
}

TEST_F(HelpersTest, CenterOnDesktop) {
  int32_t x = -1, y = -1;
  SetDesktopSizeQuery([](int32_t& w, int32_t& h) {
    w = 1920, h = 1080;
    return true;
  });
  EXPECT_EQ(CenterOnDesktop(x, y, 1024, 768), 1);
  EXPECT_EQ(x, 448);
  EXPECT_EQ(y, 156);
  EXPECT_EQ(CenterOnDesktop(x, y, 5, 5), 1);  // integer halves, each truncated
  EXPECT_EQ(x, 960 - 2);
  EXPECT_EQ(y, 540 - 2);

  x = y = -1;
  SetDesktopSizeQuery([](int32_t&, int32_t&) { return false; });
  EXPECT_EQ(CenterOnDesktop(x, y, 1024, 768), 0);
  EXPECT_EQ(x, -1);
  EXPECT_EQ(y, -1);

  // Without a query of its own it takes the display driver's largest mode.
  SetDesktopSizeQuery(nullptr);
  EXPECT_EQ(CenterOnDesktop(x, y, 800, 600), 1);
  EXPECT_EQ(x, 112);
  EXPECT_EQ(y, 84);
}

struct Item : TObject {
  explicit Item(int n) : n(n) {}
  int n;
};

TEST(ListNeighbours, NextAndPreviousInList) {
  TList<Item> list;
  auto a = std::make_shared<Item>(1), b = std::make_shared<Item>(2), c = std::make_shared<Item>(3),
       stranger = std::make_shared<Item>(4);
  for (auto& item : {a, b, c}) list.AddLast(item);

  EXPECT_EQ(NextInList(list, a), b);
  EXPECT_EQ(NextInList(list, b), c);
  EXPECT_EQ(NextInList(list, c), nullptr);
  EXPECT_EQ(PreviousInList(list, c), b);
  EXPECT_EQ(PreviousInList(list, a), nullptr);
  EXPECT_EQ(NextInList(list, stranger), nullptr);
  EXPECT_EQ(PreviousInList(list, stranger), nullptr);
  EXPECT_EQ(NextInList(list, std::shared_ptr<Item>()), nullptr);
  EXPECT_EQ(list.Count(), 3);
}

TEST_F(HelpersTest, FramesPerSecondCountsCallsPerSecondAndChangesOncePerSecond) {
  FramesPerSecond();  // closes whatever window an earlier test left open
  int32_t last = -1, changes = 0;
  // 60 frames per second for five seconds, clock in whole milliseconds.
  for (int frame = 1; frame <= 300; ++frame) {
    clock->now = 200000 + frame * 1000 / 60;
    int32_t fps = FramesPerSecond();
    if (fps != last) ++changes, last = fps;
  }
  EXPECT_GE(last, 59);
  EXPECT_LE(last, 61);
  EXPECT_LE(changes, 6);

  // Within a window the last result stands.
  clock->now += 10;
  EXPECT_EQ(FramesPerSecond(), last);
}

TEST(Geometry, RectsOverlapTouchingEdgesCount) {
  EXPECT_EQ(RectsOverlap(0, 0, 10, 10, 10, 0, 5, 5), 1);
  EXPECT_EQ(RectsOverlap(0, 0, 10, 10, 10.5f, 0, 5, 5), 0);
  EXPECT_EQ(RectsOverlap(0, 0, 10, 10, -5, -5, 5, 5), 1);  // corner to corner
  EXPECT_EQ(RectsOverlap(0, 0, 10, 10, 0, 11, 5, 5), 0);
  EXPECT_EQ(RectsOverlap(0, 0, 10, 10, 2, 2, 1, 1), 1);  // inside
  EXPECT_EQ(RectsOverlap(std::numeric_limits<float>::quiet_NaN(), 0, 10, 10, 0, 0, 5, 5), 0);
}

TEST(Geometry, AngleBetweenIsABearingClockwiseFromUp) {
  EXPECT_FLOAT_EQ(AngleBetween(0, 0, 0, -10), 0);
  EXPECT_FLOAT_EQ(AngleBetween(0, 0, 10, 0), 90);
  EXPECT_FLOAT_EQ(AngleBetween(0, 0, 0, 10), 180);
  EXPECT_FLOAT_EQ(AngleBetween(0, 0, -10, 0), 270);
  EXPECT_FLOAT_EQ(AngleBetween(5, 5, 15, -5), 45);
}

TEST(Geometry, DistanceAndInterpolation) {
  EXPECT_FLOAT_EQ(Distance(1, 2, 4, 6), 5);
  EXPECT_FLOAT_EQ(Lerp(1000, 200, 1.25f), 0);  // extrapolates
  EXPECT_FLOAT_EQ(Lerp(1, 4, 0.5f), 2.5f);
  EXPECT_FLOAT_EQ(Lerp(1.5f, 6, 0.5f), 3.75f);
  EXPECT_FLOAT_EQ(CosineInterpolate(0, 10, 0), 0);
  EXPECT_FLOAT_EQ(CosineInterpolate(0, 10, 0.5f), 5);
  EXPECT_FLOAT_EQ(CosineInterpolate(0, 10, 1), 10);
  EXPECT_LT(CosineInterpolate(0, 10, 0.25f), Lerp(0, 10, 0.25f));  // eased in
}

TEST_F(HelpersTest, ValueTypesCopyAndApply) {
  TVector2 v;
  EXPECT_EQ(v.x, 0);
  TVector2 copy = v.Create(1, 2).Copy();
  v.Set(3, 4);
  EXPECT_EQ(copy.x, 1);
  EXPECT_EQ(copy.y, 2);

  TColor black;
  EXPECT_EQ(black.r + black.g + black.b, 0);
  TColor c;
  c.Create(300, -1, 7).Apply();  // stored unchanged
  EXPECT_EQ(c.r, 300);
  int32_t r, g, b;
  GetDrawColor(r, g, b);
  EXPECT_EQ(b, 7);
}

}  // namespace
