// Timers on a clock the test controls.
#include "framework/timer.h"

#include <gtest/gtest.h>

#include "support/fake_system_driver.h"

namespace {

class TimerTest : public ::testing::Test {
 protected:
  void SetUp() override { clock = InstallFakeSystemDriver(0); }
  std::shared_ptr<TFakeSystemDriver> clock;
};

TEST_F(TimerTest, IntervalIsDueOnTheFirstCheckAtOrAfterItAndRestartsFromThatCheck) {
  auto timer = std::make_shared<TIntervalTimer>()->Create(1000);
  int due_at_first = -1;
  for (int t = 0; t <= 1100; t += 17) {
    clock->now = t;
    if (timer->IsDue()) {
      due_at_first = t;
      break;
    }
  }
  EXPECT_EQ(due_at_first, 1003);  // the first multiple of 17 at or after 1000
  clock->now = 2002;
  EXPECT_EQ(timer->IsDue(), 0);  // counted from 1003, not from 1000
  clock->now = 2003;
  EXPECT_EQ(timer->IsDue(), 1);
}

TEST_F(TimerTest, ZeroOrNegativeIntervalIsAlwaysDue) {
  for (int interval : {0, -5}) {
    auto timer = std::make_shared<TIntervalTimer>()->Create(interval);
    EXPECT_EQ(timer->IsDue(), 1);
    EXPECT_EQ(timer->IsDue(), 1);
  }
}

TEST_F(TimerTest, IntervalUnits) {
  TIntervalTimer timer;
  timer.SetIntervalSeconds(180);
  EXPECT_EQ(timer.GetInterval(), 180000);
  timer.SetIntervalMinutes(3);
  EXPECT_EQ(timer.GetInterval(), 180000);
}

TEST_F(TimerTest, ElapsedSecondsTruncates) {
  TIntervalTimer timer;
  clock->now = 999;
  EXPECT_EQ(timer.ElapsedSeconds(), 0);
  clock->now = 1000;
  EXPECT_EQ(timer.ElapsedSeconds(), 1);
  clock->now = 2999;
  EXPECT_EQ(timer.ElapsedSeconds(), 2);
}

TEST_F(TimerTest, DeltaIsFramesAtTheNominalRate) {
  auto timer = std::make_shared<TDeltaTimer>()->Create(60);
  clock->now = 50;
  timer->Update();
  EXPECT_FLOAT_EQ(timer->GetDelta(), 3.0f);
  clock->now = 50 + 33;
  timer->Update();
  EXPECT_NEAR(timer->GetDelta(), 1.98f, 1e-5);
  auto still = std::make_shared<TDeltaTimer>()->Create(0);
  clock->now += 100;
  still->Update();
  EXPECT_EQ(still->GetDelta(), 0.0f);
}

TEST_F(TimerTest, PausedTimeCountsForNothing) {
  auto timer = std::make_shared<TIntervalTimer>()->Create(1500);
  clock->now = 1000;
  timer->Pause();
  clock->now = 3000;
  timer->Resume();
  EXPECT_EQ(timer->startTime, 2000);
  EXPECT_EQ(timer->pausedAt, 2000);
  EXPECT_EQ(timer->ElapsedSeconds(), 1);
  clock->now = 3499;
  EXPECT_EQ(timer->IsDue(), 0);
  clock->now = 3500;
  EXPECT_EQ(timer->IsDue(), 1);

  auto delta = std::make_shared<TDeltaTimer>()->Create(60);  // starts at 3500
  delta->Pause();
  clock->now = 4500;
  delta->Resume();
  clock->now = 4550;
  delta->Update();
  EXPECT_FLOAT_EQ(delta->GetDelta(), 3.0f);
}

TEST_F(TimerTest, RightAcrossAWrapOfTheClock) {
  clock->now = INT32_MAX - 400;  // the next 1000 ms cross the wrap to negative readings
  auto interval = std::make_shared<TIntervalTimer>()->Create(1000);
  auto delta = std::make_shared<TDeltaTimer>()->Create(60);
  clock->now = INT32_MIN + 598;  // 999 ms later
  EXPECT_EQ(interval->IsDue(), 0);
  EXPECT_EQ(interval->ElapsedSeconds(), 0);
  clock->now = INT32_MIN + 599;  // 1000 ms later
  EXPECT_EQ(interval->ElapsedSeconds(), 1);
  EXPECT_EQ(interval->IsDue(), 1);
  delta->Update();
  EXPECT_FLOAT_EQ(delta->GetDelta(), 60.0f);

  clock->now = INT32_MAX - 100;  // a pause across the wrap moves the start by its real length
  auto paused = std::make_shared<TIntervalTimer>()->Create(1000);
  paused->Pause();
  clock->now = INT32_MIN + 199;  // 300 ms later
  paused->Resume();
  EXPECT_EQ(paused->pausedAt, 300);
  EXPECT_EQ(paused->startTime, INT32_MIN + 199);
}

// A clock that moves on by 1 ms on every reading.
class TTickingDriver : public TFakeSystemDriver {
 public:
  int32_t Clock() override { return now++; }
};

// The restart reads the clock again rather than reusing the reading the check made: the moment
// between the two readings belongs to neither interval or frame.
TEST(TimerClockReadsTest, IsDueAndUpdateRestartFromASecondReading) {
  auto clock = std::make_shared<TTickingDriver>();
  SetSystemDriver(clock);
  auto interval = std::make_shared<TIntervalTimer>()->Create(0);  // constructed at reading 0
  EXPECT_EQ(interval->startTime, 0);
  EXPECT_EQ(interval->IsDue(), 1);  // checks at reading 1
  EXPECT_EQ(interval->startTime, 2);
  auto delta = std::make_shared<TDeltaTimer>()->Create(60);  // constructed at reading 3
  delta->Update();                                           // measures at reading 4
  EXPECT_FLOAT_EQ(delta->GetDelta(), 0.06f);
  EXPECT_EQ(delta->startTime, 5);
  SetSystemDriver(nullptr);
}

}  // namespace
