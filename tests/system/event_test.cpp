// Events: their text form, announcement on the event hook, and the event queue's ring.
#include "system/event.h"

#include <gtest/gtest.h>

#include "runtime/text.h"
#include "support/event_recorder.h"
#include "support/fake_system_driver.h"
#include "system/event_queue.h"
#include "system/system_module.h"
#include "system/window_registry.h"

namespace {

TEST(EventTest, TextForm) {
  struct Case {
    TEventRef event;
    const char* text;
  };
  auto window = MakeStringObject(u"not shown");
  Case cases[] = {
      {MakeEvent(kEventKeyDown, nullptr, 65), "KeyDown: data=65, mods=0, x=0, y=0, extra=\"\""},
      {MakeEvent(kEventMouseMove, window, 0, 3, -4, 700, MakeStringObject(u"note")),
       "MouseMove: data=0, mods=3, x=-4, y=700, extra=\"note\""},
      {MakeEvent(kEventMenuAction, nullptr, -1, 0, 0, 0, std::make_shared<TObject>()),
       "MenuAction: data=-1, mods=0, x=0, y=0, extra=\"\""},
      {MakeEvent(12345), "Unknown Event, id=12345: data=0, mods=0, x=0, y=0, extra=\"\""},
  };
  for (const Case& c : cases) EXPECT_EQ(ToUtf8(c.event->ToString()), c.text);
}

class EventQueueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitSystem();
    driver = InstallFakeSystemDriver();
    FlushQueuedEvents();
  }
  void TearDown() override {
    FlushQueuedEvents();
    SetSystemDriver(nullptr);
  }
  std::shared_ptr<TFakeSystemDriver> driver;
};

TEST_F(EventQueueTest, DispatchedEventsReachTheEventHookAndQueueInOrder) {
  TEventRecorder recorder;
  auto source = MakeStringObject(u"gadget");
  DispatchEvent(MakeEvent(kEventKeyDown, source, 65, 1, 2, 3, nullptr));
  DispatchEvent(MakeEvent(kEventKeyUp, nullptr, 65));
  ASSERT_EQ(recorder.Events().size(), 2u);

  EXPECT_EQ(PeekQueuedEvent(), recorder.Events()[0]);
  EXPECT_EQ(NextQueuedEvent(), kEventKeyDown);
  EXPECT_EQ(CurrentEventSource(), source);
  EXPECT_EQ(CurrentEventData(), 65);
  EXPECT_EQ(CurrentEventMods(), 1);
  EXPECT_EQ(CurrentEventX(), 2);
  EXPECT_EQ(CurrentEventY(), 3);
  EXPECT_EQ(NextQueuedEvent(), kEventKeyUp);
}

TEST_F(EventQueueTest, WindowMovesFromOneSourceCoalesceIntoTheFirstWithTheLastValues) {
  auto a = MakeStringObject(u"a");
  auto b = MakeStringObject(u"b");
  DispatchEvent(MakeEvent(kEventWindowMove, a, 0, 0, 10, 20));
  DispatchEvent(MakeEvent(kEventKeyDown, nullptr, 65));
  DispatchEvent(MakeEvent(kEventWindowMove, b, 0, 0, 1, 1));
  DispatchEvent(MakeEvent(kEventWindowMove, a, 7, 2, 30, 40, MakeStringObject(u"last")));
  DispatchEvent(MakeEvent(kEventKeyDown, nullptr, 65));  // other kinds never coalesce

  EXPECT_EQ(NextQueuedEvent(), kEventWindowMove);
  EXPECT_EQ(CurrentEventSource(), a);
  EXPECT_EQ(CurrentEventData(), 7);
  EXPECT_EQ(CurrentEventMods(), 2);
  EXPECT_EQ(CurrentEventX(), 30);
  EXPECT_EQ(CurrentEventY(), 40);
  EXPECT_EQ(CurrentEventText(), u"last");
  EXPECT_EQ(NextQueuedEvent(), kEventKeyDown);
  EXPECT_EQ(NextQueuedEvent(), kEventWindowMove);
  EXPECT_EQ(CurrentEventSource(), b);
  EXPECT_EQ(NextQueuedEvent(), kEventKeyDown);
  EXPECT_EQ(NextQueuedEvent(), 0);
}

TEST_F(EventQueueTest, A257thQueuedEventIsDropped) {
  for (int i = 1; i <= 257; ++i) DispatchEvent(MakeEvent(kEventKeyChar, nullptr, i));
  for (int i = 1; i <= 256; ++i) {
    ASSERT_EQ(NextQueuedEvent(), kEventKeyChar);
    ASSERT_EQ(CurrentEventData(), i);
  }
  EXPECT_EQ(NextQueuedEvent(), 0);
}

TEST_F(EventQueueTest, ReadingAnEmptyQueuePollsOnceAndThenGivesABlankEvent) {
  DispatchEvent(MakeEvent(kEventKeyDown, nullptr, 65, 0, 0, 0, MakeStringObject(u"x")));
  NextQueuedEvent();
  int polls = driver->polls;
  EXPECT_EQ(PeekQueuedEvent(), nullptr);
  EXPECT_EQ(driver->polls, polls + 1);
  EXPECT_EQ(NextQueuedEvent(), 0);
  EXPECT_EQ(driver->polls, polls + 2);
  EXPECT_EQ(CurrentEventData(), 0);
  EXPECT_EQ(CurrentEventExtra(), nullptr);
  EXPECT_EQ(CurrentEventText(), u"");
}

TEST_F(EventQueueTest, ReadingFindsWhatThePollItMakesBrings) {
  RegisterTranslatingWindow(1);
  driver->Post({.kind = kMessageKeyDown, .window = 1, .key = 65});
  EXPECT_EQ(NextQueuedEvent(), kEventKeyDown);
  EXPECT_EQ(CurrentEventData(), 65);

  int waits = 0;
  // The first wait brings a message that makes no event, the second a character.
  driver->onWait = [&] {
    if (++waits == 1) {
      driver->Post({.kind = kMessageNone, .window = 1});
    } else {
      driver->Post({.kind = kMessageChar, .window = 1, .character = 120});
    }
  };
  EXPECT_EQ(WaitQueuedEvent(), kEventKeyChar);
  EXPECT_EQ(CurrentEventData(), 120);
  EXPECT_EQ(waits, 2);
  UnregisterWindowProc(1);
}

}  // namespace
