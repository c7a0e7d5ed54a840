// The graphics module on a fake display driver and the test clock: driver and surface
// bookkeeping, display modes, the application graphics and frame pacing.
#include "graphics/graphics.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/graphics_module.h"
#include "support/fake_system_driver.h"
#include "system/hooks.h"

namespace {

class TFakeDisplayDriver;

class TFakeSurface : public TGraphics {
 public:
  TDisplayDriverRef OwnerDriver() override { return owner.lock(); }
  void QuerySettings(int32_t& w, int32_t& h, int32_t& d, int32_t& r, int32_t& f) override {
    w = width, h = height, d = depth, r = hz, f = flags;
  }
  void Release() override { ++releases; }

  std::weak_ptr<TDisplayDriver> owner;
  int32_t width = 0, height = 0, depth = 0, hz = 0, flags = 0;
  int releases = 0;
};

// Records presents and current surfaces; a present with sync 1 takes retraceMs of test time.
class TFakeDisplayDriver : public TDisplayDriver {
 public:
  std::vector<TGraphicsMode> ListModes() override {
    ++listed;
    return modes;
  }
  TGraphicsRef AttachToWidget(void*, int32_t) override { return nullptr; }
  TGraphicsRef CreateSurface(int32_t w, int32_t h, int32_t d, int32_t r, int32_t f) override {
    if (refuse) return nullptr;
    auto s = std::make_shared<TFakeSurface>();
    s->owner = std::static_pointer_cast<TDisplayDriver>(shared_from_this());
    s->width = w, s->height = h, s->depth = d, s->hz = r, s->flags = f;
    made.push_back(s);
    return s;
  }
  void MakeCurrent(const TGraphicsRef& g) override {
    current.push_back(g);
    settingsSeen.push_back(ScreenWidth());
  }
  void Present(int32_t sync) override {
    presents.push_back(sync);
    if (sync == 1 && clock) clock->now += retraceMs;
  }

  std::vector<TGraphicsMode> modes;
  std::vector<std::shared_ptr<TFakeSurface>> made;
  std::vector<TGraphicsRef> current;
  std::vector<int32_t> settingsSeen;
  std::vector<int32_t> presents;
  std::shared_ptr<TFakeSystemDriver> clock;
  int32_t retraceMs = 0;
  int listed = 0;
  bool refuse = false;
};

class GraphicsModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitGraphics();
    clock = InstallFakeSystemDriver(1000);
    driver = std::make_shared<TFakeDisplayDriver>();
    driver->clock = clock;
    SelectDisplayDriver(driver, GRAPHICS_BACKBUFFER);
  }
  void TearDown() override {
    CloseAppGraphics();
    SelectDisplayDriver(nullptr, 0);
  }

  // Moves the 32-bit test clock on, wrapping as the real one does.
  void Advance(uint32_t ms) {
    clock->now = static_cast<int32_t>(static_cast<uint32_t>(clock->now) + ms);
  }

  // Runs one paced frame that took frameMs of work; returns how long FlipScreen(-1) slept.
  int32_t PacedFrame(uint32_t frameMs) {
    Advance(frameMs);
    const uint32_t before = static_cast<uint32_t>(clock->now);
    FlipScreen(-1);
    return static_cast<int32_t>(static_cast<uint32_t>(clock->now) - before);
  }

  // Opening does not reset the schedule (a late first frame does): start every case from one.
  void OpenPaced(int32_t width, int32_t height, int32_t depth, int32_t hz) {
    ASSERT_NE(OpenGraphics(width, height, depth, hz, 0), nullptr);
    EXPECT_EQ(PacedFrame(5000), 0);
  }

  std::shared_ptr<TFakeSystemDriver> clock;
  std::shared_ptr<TFakeDisplayDriver> driver;
};

TEST_F(GraphicsModuleTest, ModeTextAndQueries) {
  EXPECT_EQ((TGraphicsMode{1024, 768, 32, 85}.ToString()), u"1024,768,32 85Hz");
  driver->modes = {{640, 480, 16, 60}, {1024, 768, 32, 85}};
  EXPECT_EQ(CountDisplayModes(), 2);
  EXPECT_EQ(ListDisplayModes().size(), 2u);
  EXPECT_EQ(driver->listed, 1) << "the list is fetched once and then cached";

  struct Case {
    int32_t w, h, d, hz, has;
  } cases[] = {{0, 0, 0, 0, 1},    {0, 0, 32, 0, 1},   {0, 0, 24, 0, 0},
               {640, 0, 0, 60, 1}, {640, 0, 0, 85, 0}, {1024, 768, 32, 85, 1}};
  for (const Case& c : cases) {
    EXPECT_EQ(HasDisplayMode(c.w, c.h, c.d, c.hz), c.has) << c.w << "x" << c.h << "x" << c.d;
  }

  int32_t w = -1, h = -1, d = -1, hz = -1;
  EXPECT_EQ(GetDisplayMode(1, w, h, d, hz), 1);
  EXPECT_EQ((std::vector<int32_t>{w, h, d, hz}), (std::vector<int32_t>{1024, 768, 32, 85}));
  for (int32_t bad : {-1, 2, 1 << 30}) {
    EXPECT_EQ(GetDisplayMode(bad, w, h, d, hz), 0) << bad;
    EXPECT_EQ((std::vector<int32_t>{w, h, d, hz}), (std::vector<int32_t>{0, 0, 0, 0}));
  }
}

TEST_F(GraphicsModuleTest, OpenGraphicsMakesTheSurfaceCurrentWithItsSettings) {
  const int32_t sequence = GraphicsSequence();
  TGraphicsRef g = OpenGraphics(1024, 768, 32, 0, 0);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(AppGraphics(), g);
  EXPECT_EQ(CurrentGraphics(), g);
  EXPECT_EQ(GraphicsSequence(), sequence + 1);
  EXPECT_EQ(ScreenWidth(), 1024);
  EXPECT_EQ(ScreenHeight(), 768);
  EXPECT_EQ(ScreenDepth(), 32);
  EXPECT_EQ(ScreenHz(), 0);
  EXPECT_EQ(ScreenFlags(), GRAPHICS_BACKBUFFER) << "the default flags are ORed in";
  ASSERT_EQ(driver->settingsSeen.size(), 1u);
  EXPECT_EQ(driver->settingsSeen[0], 1024) << "settings are in place before MakeCurrent";
}

TEST_F(GraphicsModuleTest, OpeningTwiceClosesTheFirstAndStepsTheSequenceTwice) {
  TGraphicsRef first = OpenGraphics(640, 480, 0, 0, 0);
  const int32_t sequence = GraphicsSequence();
  TGraphicsRef second = OpenGraphics(800, 600, 0, 0, 0);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(driver->made[0]->releases, 1);
  EXPECT_EQ(driver->made[1]->releases, 0);
  EXPECT_EQ(GraphicsSequence(), sequence + 2);
  EXPECT_EQ(ScreenWidth(), 800);

  // A failed open still closes what was open, and changes nothing else.
  driver->refuse = true;
  EXPECT_EQ(OpenGraphics(640, 480, 0, 0, 0), nullptr);
  EXPECT_EQ(driver->made[1]->releases, 1);
  EXPECT_EQ(AppGraphics(), nullptr);
  EXPECT_EQ(GraphicsSequence(), sequence + 3);
}

TEST_F(GraphicsModuleTest, ReleasingTheCurrentGraphicsClearsTheSettings) {
  TGraphicsRef g = NewGraphics(320, 200, 0, 0, 0);
  MakeGraphicsCurrent(g);
  EXPECT_EQ(ScreenWidth(), 320);
  ReleaseGraphics(g);
  EXPECT_EQ(ScreenWidth(), 0);
  EXPECT_EQ(ScreenHeight(), 0);
  EXPECT_EQ(CurrentGraphics(), nullptr);
  EXPECT_EQ(driver->current.back(), nullptr) << "the driver was told";
  EXPECT_EQ(driver->made[0]->releases, 1);
}

TEST_F(GraphicsModuleTest, ASurfaceOfAnotherDriverSwitchesTheDriver) {
  TGraphicsRef mine = NewGraphics(320, 200, 0, 0, 0);
  MakeGraphicsCurrent(mine);
  auto other = std::make_shared<TFakeDisplayDriver>();
  other->modes = {{1, 1, 32, 0}};
  TGraphicsRef theirs = other->CreateSurface(100, 50, 0, 0, 0);
  MakeGraphicsCurrent(theirs);
  EXPECT_EQ(CurrentDisplayDriver(), other);
  EXPECT_EQ(driver->current.back(), nullptr) << "the old driver lets go of its surface";
  EXPECT_EQ(other->current.back(), theirs);
  EXPECT_EQ(ListDisplayModes().size(), 1u) << "the mode cache belongs to the new driver";
  ReleaseGraphics(theirs);
  ReleaseGraphics(mine);
}

TEST_F(GraphicsModuleTest, FlipRunsTheFlipHookAndPassesZeroAndOne) {
  static int flips = 0;
  flips = 0;
  THookFunction count = [](int32_t, TObjectRef data, TObjectRef) {
    ++flips;
    return data;
  };
  AttachHook(FlipHookId(), count, nullptr, 0);
  OpenGraphics(640, 480, 0, 50, 0);  // windowed with a rate: paced in software
  driver->presents.clear();
  FlipScreen(0);
  FlipScreen(1);
  DetachHook(FlipHookId(), count);
  EXPECT_EQ(flips, 2);
  EXPECT_EQ(driver->presents, (std::vector<int32_t>{0, 1}));
}

TEST_F(GraphicsModuleTest, WithoutARateFlipMinusOnePresentsOnTheRetrace) {
  OpenGraphics(640, 480, 0, 0, 0);
  driver->presents.clear();
  EXPECT_EQ(PacedFrame(5), 0);
  EXPECT_EQ(driver->presents, (std::vector<int32_t>{1}));
}

TEST_F(GraphicsModuleTest, SoftwarePacingKeepsTheScheduleAndRestartsAfterAStall) {
  OpenPaced(640, 480, 0, 50);
  driver->presents.clear();
  EXPECT_EQ(PacedFrame(5), 15) << "frames are due every 20 ms at 50 Hz";
  EXPECT_EQ(PacedFrame(5), 15);
  EXPECT_EQ(PacedFrame(19), 1);
  EXPECT_EQ(PacedFrame(2000), 0) << "a stall restarts the schedule instead of catching up";
  EXPECT_EQ(PacedFrame(5), 15);
  EXPECT_EQ(driver->presents, (std::vector<int32_t>(5, 0)));
}

TEST_F(GraphicsModuleTest, PacingStaysRightAfterHoursAndAcrossTheClockWrap) {
  struct Case {
    int32_t openAt;
    int32_t hz;
    uint32_t runMs;
  } cases[] = {
      {1000, 85, 8u * 3600 * 1000},    // ms x hz passes 2^31 after about 7 hours at 85 Hz
      {1000, 85, 30u * 86400 * 1000},  // past 2^31 ms of elapsed time
      {INT32_MAX - 5100, 60, 200},     // the 32-bit clock wraps during the run
  };
  for (const Case& c : cases) {
    clock->now = c.openAt;
    OpenPaced(640, 480, 0, c.hz);
    EXPECT_EQ(PacedFrame(5), 1000 / c.hz - 5);
    Advance(c.runMs);
    EXPECT_EQ(PacedFrame(0), 0) << "late: the schedule restarts";
    EXPECT_EQ(PacedFrame(5), 1000 / c.hz - 5) << "opened at " << c.openAt << ", hz " << c.hz;
  }
}

TEST_F(GraphicsModuleTest, FullScreenMeasuresWhetherTheRetraceAlreadyPaces) {
  // A retrace that takes the frame time: the hardware paces, FlipScreen(-1) waits on it.
  driver->retraceMs = 20;
  const int32_t start = clock->now;
  OpenGraphics(1024, 768, 32, 50, 0);
  EXPECT_EQ(clock->now - start, 60) << "three good presents end the measurement";
  driver->presents.clear();
  EXPECT_EQ(PacedFrame(5), 20);
  EXPECT_EQ(driver->presents, (std::vector<int32_t>{1}));

  // A retrace that does not wait: measured for a second, then paced in software.
  driver->retraceMs = 1;
  const int32_t again = clock->now;
  OpenPaced(1024, 768, 32, 50);
  EXPECT_GE(clock->now - again, 6000);
  EXPECT_LE(clock->now - again, 6001) << "a second of measuring, and the first frame";
  driver->presents.clear();
  EXPECT_EQ(PacedFrame(5), 15);
  EXPECT_EQ(driver->presents, (std::vector<int32_t>{0}));
}

TEST_F(GraphicsModuleTest, SelectingADriverForgetsTheCurrentGraphics) {
  OpenGraphics(640, 480, 0, 0, 0);
  SelectDisplayDriver(driver, 0);
  EXPECT_EQ(CurrentGraphics(), nullptr);
  EXPECT_EQ(ScreenWidth(), 0);
  EXPECT_NE(AppGraphics(), nullptr) << "forgotten, not released";
  EXPECT_EQ(NewGraphics(10, 10, 0, 0, 4)->OwnerDriver(), driver);
  EXPECT_EQ(driver->made.back()->flags, 4) << "new default flags";
}

}  // namespace
