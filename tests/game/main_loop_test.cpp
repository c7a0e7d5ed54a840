// The frame loop's order, and the frame in which a state quits.
#include "game/main_loop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class CountingState : public TGameState {
 public:
  explicit CountingState(std::vector<std::string>& log) : log(log) {}
  void Init() override {}
  void Cleanup() override { log.push_back("Cleanup"); }
  void HandleEvents(TStateManager& m) override {
    log.push_back("HandleEvents");
    if (++frames == 2) m.Quit();
  }
  void Update(TStateManager&) override { log.push_back("Update"); }
  void Draw(TStateManager&) override { log.push_back("Draw"); }
  std::vector<std::string>& log;
  int frames = 0;
};

TEST(FrameLoop, RunsWholeFramesUntilAStateQuits) {
  std::vector<std::string> log;
  TStateManager manager;
  manager.ChangeState(std::make_shared<CountingState>(log));
  TFrameSteps steps{[&] { log.push_back("clear"); }, [&] { log.push_back("flip"); }};
  RunFrameLoop(manager, steps);
  std::vector<std::string> frame = {"clear", "HandleEvents", "Update", "Draw", "flip"};
  std::vector<std::string> expected = frame;
  expected.insert(expected.end(), frame.begin(), frame.end());
  EXPECT_EQ(log, expected);  // the quitting frame is presented, and no Cleanup runs
}

}  // namespace
