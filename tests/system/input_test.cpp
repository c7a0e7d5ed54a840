// Polled input: key hits and held keys, the character ring, pointer state, the application
// flags, waiting for input, and codes outside the arrays.
#include "system/input.h"

#include <gtest/gtest.h>

#include "support/fake_system_driver.h"
#include "system/event.h"
#include "system/event_queue.h"
#include "system/hooks.h"
#include "system/system_module.h"
#include "system/window_registry.h"

namespace {

constexpr uint32_t kWindow = 1;
constexpr uint32_t kOtherWindow = 2;

TWindowMessage Down(int32_t key, bool repeat = false) {
  return {.kind = kMessageKeyDown, .window = kWindow, .key = key, .repeat = repeat};
}
TWindowMessage Up(int32_t key) {
  return {.kind = kMessageKeyUp, .window = kWindow, .key = key};
}
TWindowMessage Typed(int32_t c) {
  return {.kind = kMessageChar, .window = kWindow, .character = c};
}

class InputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitSystem();
    driver = InstallFakeSystemDriver();
    RegisterTranslatingWindow(kWindow);
    other = MakeStringObject(u"other window");
    RegisterTranslatingWindow(kOtherWindow, other);
    EnableInputPolling(nullptr);
  }
  void TearDown() override {
    DisableInputPolling();
    UnregisterWindowProc(kWindow);
    UnregisterWindowProc(kOtherWindow);
    FlushQueuedEvents();
    SetSystemDriver(nullptr);
  }
  void Post(std::initializer_list<TWindowMessage> messages) {
    for (const TWindowMessage& m : messages) driver->Post(m);
  }

  std::shared_ptr<TFakeSystemDriver> driver;
  TObjectRef other;
};

TEST_F(InputTest, HitsCountPressesSinceTheLastRead) {
  Post({Down(27), Up(27), Down(27), Up(27)});
  EXPECT_EQ(KeyHitCount(27), 2);
  EXPECT_EQ(KeyHitCount(27), 0);
  // A second press without a release between is not a new hit.
  Post({Down(27), Down(27)});
  EXPECT_EQ(KeyHitCount(27), 1);
  EXPECT_EQ(KeyIsDown(27), 1);
  Post({Up(27)});
  EXPECT_EQ(KeyIsDown(27), 0);
}

TEST_F(InputTest, AKeyHeldThroughAFlushReadsUpUntilPressedAgain) {
  Post({Down(65)});
  EXPECT_EQ(KeyIsDown(65), 1);
  FlushInput();
  Post({Down(65, true), Down(65, true)});  // still held: the platform repeats
  EXPECT_EQ(KeyIsDown(65), 0);
  EXPECT_EQ(KeyHitCount(65), 0);
  Post({Up(65), Down(65)});
  EXPECT_EQ(KeyIsDown(65), 1);
  EXPECT_EQ(KeyHitCount(65), 1);
}

TEST_F(InputTest, AFlushDrainsWhatIsWaitingAndDiscardsIt) {
  Post({Down(65), Typed('a')});
  FlushInput();
  EXPECT_EQ(KeyHitCount(65), 0);
  EXPECT_EQ(KeyIsDown(65), 0);
  EXPECT_EQ(NextTypedChar(), 0);
}

TEST_F(InputTest, TypedCharactersComeOutInOrder) {
  Post({Typed('a'), Typed('b')});
  EXPECT_EQ(NextTypedChar(), 97);
  EXPECT_EQ(NextTypedChar(), 98);
  EXPECT_EQ(NextTypedChar(), 0);
}

TEST_F(InputTest, TheRingKeeps256CharactersAndLosesThe257th) {
  for (int i = 0; i < 257; ++i) Post({Typed(1000 + i)});
  for (int i = 0; i < 256; ++i) ASSERT_EQ(NextTypedChar(), 1000 + i) << i;
  EXPECT_EQ(NextTypedChar(), 0);
  // Once read, the slots are free again, also across the ring's end.
  for (int i = 0; i < 10; ++i) Post({Typed('k' + i)});
  for (int i = 0; i < 10; ++i) EXPECT_EQ(NextTypedChar(), 'k' + i);
}

TEST_F(InputTest, LosingAndRegainingActivationClearsKeysButtonsAndCharacters) {
  Post({Down(65),
        Down(66),
        Up(66),
        Typed('a'),
        {.kind = kMessageButtonDown, .window = kWindow, .button = 1},
        {.kind = kMessageActivate, .window = kWindow, .active = 0}});
  EXPECT_EQ(AppIsSuspended(), 1);
  EXPECT_EQ(KeyIsDown(65), 0);
  EXPECT_EQ(KeyHitCount(66), 0);
  EXPECT_EQ(NextTypedChar(), 0);
  EXPECT_EQ(ButtonIsDown(1), 0);
  Post({Down(67), {.kind = kMessageActivate, .window = kWindow, .active = 1}});
  EXPECT_EQ(AppIsSuspended(), 0);
  EXPECT_EQ(KeyHitCount(67), 0);
}

TEST_F(InputTest, ACloseRequestIsReportedOnce) {
  Post({{.kind = kMessageClose, .window = kWindow}});
  EXPECT_EQ(TerminateRequested(), 1);
  EXPECT_EQ(TerminateRequested(), 0);
}

TEST_F(InputTest, PointerPositionWheelAndButtons) {
  Post({{.kind = kMessagePointerMove, .window = kWindow, .x = 10, .y = 20},
        {.kind = kMessageWheel, .window = kWindow, .wheelDelta = 240},
        {.kind = kMessageWheel, .window = kWindow, .wheelDelta = -120},
        {.kind = kMessageButtonDown, .window = kWindow, .button = 3},
        {.kind = kMessageButtonDown, .window = kWindow, .button = 3}});
  EXPECT_EQ(PointerX(), 10);
  EXPECT_EQ(PointerY(), 20);
  EXPECT_EQ(WheelPosition(), 1);
  EXPECT_EQ(ButtonIsDown(3), 1);
  EXPECT_EQ(ButtonHitCount(3), 1);
  EXPECT_EQ(ButtonHitCount(3), 0);
  Post({{.kind = kMessageButtonDown, .window = kWindow, .button = 1}});
  FlushPointerInput();
  EXPECT_EQ(ButtonIsDown(1), 0);
  EXPECT_EQ(ButtonHitCount(1), 0);
  EXPECT_EQ(WheelPosition(), 0);
  EXPECT_EQ(PointerX(), 10);
  EXPECT_EQ(PointerY(), 20);
}

TEST_F(InputTest, WaitAnyKeyReturnsTheLowestCodeOfOneDrainAndLeavesTheOthers) {
  Post({Down(10), Up(10)});  // before the wait: flushed away
  driver->onWait = [&] { Post({Down(70), Down(66), Down(90)}); };
  EXPECT_EQ(WaitAnyKey(), 66);
  EXPECT_EQ(KeyHitCount(70), 1);
  EXPECT_EQ(KeyHitCount(90), 1);
  EXPECT_EQ(KeyHitCount(10), 0);
}

TEST_F(InputTest, WaitTypedCharAndWaitAnyButtonWaitThroughOtherInput) {
  int waits = 0;
  driver->onWait = [&] { Post({++waits < 3 ? Down(40 + waits) : Typed('q')}); };
  EXPECT_EQ(WaitTypedChar(), 'q');
  EXPECT_EQ(waits, 3);

  driver->onWait = [&] {
    Post({Down(65), {.kind = kMessageButtonDown, .window = kWindow, .button = 2}});
  };
  EXPECT_EQ(WaitAnyButton(), 2);
}

// A listener that waits for a key while the events are being drained.
int32_t waited_inside_listener = -1;
TObjectRef WaitingListener(int32_t, TObjectRef data, TObjectRef) {
  waited_inside_listener = WaitAnyKey();
  return data;
}

TEST_F(InputTest, WaitingInsideAListenerReturns0InsteadOfHanging) {
  AttachHook(EventHookId, WaitingListener, nullptr, 50);
  Post({Typed('x')});
  PollSystem();
  DetachHook(EventHookId, WaitingListener);
  EXPECT_EQ(waited_inside_listener, 0);
}

TEST_F(InputTest, OnlyTheChosenSourceCounts) {
  DisableInputPolling();
  EnableInputPolling(other);
  Post({Down(65), {.kind = kMessageKeyDown, .window = kOtherWindow, .key = 66}});
  EXPECT_EQ(KeyHitCount(65), 0);
  EXPECT_EQ(KeyHitCount(66), 1);
}

TEST_F(InputTest, WhileDisabledQueriesStillPollButTheStateStaysFrozen) {
  DisableInputPolling();
  Post({Down(65), Typed('a')});
  int polls = driver->polls;
  EXPECT_EQ(KeyIsDown(65), 0);
  EXPECT_EQ(NextTypedChar(), 0);
  EXPECT_EQ(driver->polls, polls + 2);
  EXPECT_TRUE(driver->messages.empty());
  // Enabling twice attaches the listener once: one press, one hit.
  EnableInputPolling(nullptr);
  EnableInputPolling(nullptr);
  Post({Down(65)});
  EXPECT_EQ(KeyHitCount(65), 1);
}

TEST_F(InputTest, CodesOutsideTheArraysNeverIndexThem) {
  // Events from other producers than the translator may carry any number.
  for (int32_t code : {-1, 256, 300, INT32_MIN, INT32_MAX}) {
    DispatchEvent(MakeEvent(kEventKeyDown, nullptr, code));
    DispatchEvent(MakeEvent(kEventKeyUp, nullptr, code));
    DispatchEvent(MakeEvent(kEventMouseDown, nullptr, code));
    DispatchEvent(MakeEvent(kEventMouseUp, nullptr, code));
    EXPECT_EQ(KeyHitCount(code), 0);
    EXPECT_EQ(KeyIsDown(code), 0);
  }
  for (int32_t button : {-1, 4, 1000}) {
    DispatchEvent(MakeEvent(kEventMouseDown, nullptr, button));
    EXPECT_EQ(ButtonHitCount(button), 0);
    EXPECT_EQ(ButtonIsDown(button), 0);
  }
  for (int32_t key = 0; key < 256; ++key) ASSERT_EQ(KeyIsDown(key), 0) << key;
  for (int32_t button = 0; button < 4; ++button) ASSERT_EQ(ButtonIsDown(button), 0);
}

}  // namespace
