// The state stack: call orders, the empty stack, quitting, and states that replace themselves.
#include "framework/state_manager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/runtime_error.h"

namespace {

using Log = std::vector<std::string>;

// Records every call, and can replace itself or quit from inside HandleEvents.
class Recorder : public TGameState {
 public:
  Recorder(std::string name, Log& log) : name(std::move(name)), log(log) {}
  ~Recorder() override { log.push_back(name + ".~"); }
  void Init() override { Note("Init"); }
  void Cleanup() override { Note("Cleanup"); }
  void Pause() override { Note("Pause"); }
  void Resume() override { Note("Resume"); }
  void HandleEvents(TStateManager& m) override {
    Note("HandleEvents");
    if (successor) {
      auto next = std::move(successor);
      ChangeState(m, next);
      // Still alive and still itself after having been replaced.
      Note("after change");
    }
    if (quit) m.Quit();
  }
  void Update(TStateManager&) override { Note("Update"); }
  void Draw(TStateManager&) override { Note("Draw"); }

  void Note(const std::string& what) { log.push_back(name + "." + what); }

  std::string name;
  Log& log;
  std::shared_ptr<TGameState> successor;
  bool quit = false;
};

class StateManagerTest : public ::testing::Test {
 protected:
  std::shared_ptr<Recorder> Make(const std::string& name) {
    return std::make_shared<Recorder>(name, log);
  }
  void Frame() {
    manager.HandleEvents();
    manager.Update();
    manager.Draw();
  }
  Log log;
  TStateManager manager;
};

TEST_F(StateManagerTest, ChangeStateCleansUpTheOldTopBeforeInitialisingTheNew) {
  manager.ChangeState(Make("A"));
  EXPECT_EQ(log, (Log{"A.Init"}));
  log.clear();

  auto b = Make("B");
  manager.ChangeState(b);
  EXPECT_EQ(log, (Log{"A.Cleanup", "A.~", "B.Init"}));  // A leaves and is released
  EXPECT_EQ(manager.states->Count(), 1);
  EXPECT_EQ(manager.Top(), b);
}

TEST_F(StateManagerTest, InitRunsWhileTheNewStateIsNotYetOnTheStack) {
  class Probe : public TGameState {
   public:
    explicit Probe(TStateManager& m) : m(m) {}
    void Init() override { count_at_init = m.states->Count(); }
    void Cleanup() override {}
    TStateManager& m;
    int count_at_init = -1;
  };
  manager.ChangeState(Make("A"));
  auto probe = std::make_shared<Probe>(manager);
  manager.ChangeState(probe);
  EXPECT_EQ(probe->count_at_init, 0);
}

TEST_F(StateManagerTest, PushAndPop) {
  manager.ChangeState(Make("A"));
  manager.PushState(Make("B"));
  EXPECT_EQ(log, (Log{"A.Init", "A.Pause", "B.Init"}));
  log.clear();
  manager.PopState();
  EXPECT_EQ(log, (Log{"B.Cleanup", "B.~", "A.Resume"}));
  log.clear();
  manager.PopState();
  EXPECT_EQ(log, (Log{"A.Cleanup", "A.~"}));  // no Resume on an empty stack
  EXPECT_TRUE(manager.states->IsEmpty());
}

TEST_F(StateManagerTest, EmptyStackDoesNothing) {
  manager.HandleEvents();
  manager.Update();
  manager.Draw();
  manager.PopState();
  EXPECT_TRUE(log.empty());
  manager.PushState(Make("A"));
  EXPECT_EQ(log, (Log{"A.Init"}));
}

TEST_F(StateManagerTest, PoppingTheTopOfAStackHoldingTheSameStateTwiceLeavesTheBottom) {
  auto a = Make("A");
  manager.ChangeState(a);
  manager.PushState(Make("B"));
  manager.PushState(a);
  log.clear();
  manager.PopState();
  EXPECT_EQ(log, (Log{"A.Cleanup", "B.Resume"}));
  ASSERT_EQ(manager.states->Count(), 2);
  EXPECT_EQ(manager.states->First(), a);
}

TEST_F(StateManagerTest, StateReplacingItselfFinishesItsCallAndTheFrameGoesToItsSuccessor) {
  auto a = Make("A");
  a->successor = Make("B");
  manager.ChangeState(a);
  a.reset();  // the manager holds the only reference now
  log.clear();
  Frame();
  EXPECT_EQ(log, (Log{"A.HandleEvents", "A.Cleanup", "B.Init", "A.after change", "A.~", "B.Update",
                      "B.Draw"}));
}

TEST_F(StateManagerTest, QuitStillCompletesTheFrame) {
  auto a = Make("A");
  a->quit = true;
  manager.ChangeState(a);
  EXPECT_EQ(manager.IsRunning(), 1);
  log.clear();
  Frame();
  EXPECT_EQ(manager.IsRunning(), 0);
  EXPECT_EQ(log, (Log{"A.HandleEvents", "A.Update", "A.Draw"}));
}

TEST_F(StateManagerTest, CleanupAllGoesFromBottomToTopAndDropsTheStack) {
  manager.ChangeState(Make("A"));
  manager.PushState(Make("B"));
  log.clear();
  manager.CleanupAll();
  EXPECT_EQ(log, (Log{"A.Cleanup", "B.Cleanup", "A.~", "B.~"}));
  EXPECT_EQ(manager.states, nullptr);
  manager.HandleEvents();  // a dropped stack is inert, not a crash
}

TEST(GameState, BaseOperationsAreAbstract) {
  TGameState base;
  TStateManager manager;
  try {
    base.Update(manager);
    FAIL() << "no error";
  } catch (const TRuntimeError& e) {
    EXPECT_STREQ(e.what(), "Attempt to call abstract method");
  }
  EXPECT_THROW(base.Init(), TRuntimeError);
}

}  // namespace
