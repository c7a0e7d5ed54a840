// The message translator: which window messages become which events, with what fields.
#include "system/message_translator.h"

#include <gtest/gtest.h>

#include "support/event_recorder.h"
#include "support/fake_system_driver.h"
#include "system/event_queue.h"
#include "system/system_module.h"
#include "system/window_registry.h"

namespace {

constexpr uint32_t kWindow = 1;        // the graphics window: source null
constexpr uint32_t kGadgetWindow = 2;  // a window with its own source

class TranslatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitSystem();
    driver = InstallFakeSystemDriver();
    RegisterTranslatingWindow(kWindow);
    gadget = MakeStringObject(u"gadget");
    RegisterTranslatingWindow(kGadgetWindow, gadget);
    ModifierState = 0;
    recorder = std::make_unique<TEventRecorder>();
  }
  void TearDown() override {
    recorder.reset();
    UnregisterWindowProc(kWindow);
    UnregisterWindowProc(kGadgetWindow);
    FlushQueuedEvents();
    SetSystemDriver(nullptr);
  }

  // Posts the messages, drains them, and returns the text forms of the events they made.
  std::string Translate(std::initializer_list<TWindowMessage> messages) {
    recorder->Clear();
    for (const TWindowMessage& m : messages) driver->Post(m);
    PollSystem();
    return recorder->Texts();
  }

  static TWindowMessage Key(TWindowMessageKind kind, int32_t key, int32_t scan = 0,
                            bool extended = false) {
    return {.kind = kind, .window = kWindow, .key = key, .scanCode = scan, .extended = extended};
  }
  static TWindowMessage Move(uint32_t window, int32_t x, int32_t y) {
    return {.kind = kMessagePointerMove,
            .window = window,
            .x = x,
            .y = y,
            .clientWidth = 640,
            .clientHeight = 480};
  }

  std::shared_ptr<TFakeSystemDriver> driver;
  TObjectRef gadget;
  std::unique_ptr<TEventRecorder> recorder;
};

TEST_F(TranslatorTest, ShiftControlAndAltAreSideSpecificByScanCode) {
  struct Case {
    int32_t key, scan;
    bool extended;
    int32_t code;
  };
  Case cases[] = {
      {16, 42, false, 160},  {16, 54, false, 161}, {17, 29, false, 162},
      {17, 29, true, 163},   {18, 56, false, 164}, {18, 56, true, 165},
      {65, 0x1E, false, 65}, {13, 0x1C, true, 13}, {91, 0x5B, true, 91},
  };
  for (const Case& c : cases) {
    std::string code = std::to_string(c.code);
    EXPECT_EQ(Translate({Key(kMessageKeyDown, c.key, c.scan, c.extended),
                         Key(kMessageKeyUp, c.key, c.scan, c.extended)}),
              "KeyDown: data=" + code + ", mods=0, x=0, y=0, extra=\"\"\n" + "KeyUp: data=" + code +
                  ", mods=0, x=0, y=0, extra=\"\"\n")
        << "key " << c.key << " scan " << c.scan;
  }
}

TEST_F(TranslatorTest, KeyCodesOutsideOneTo255MakeNoEvent) {
  for (int32_t key : {0, 256, -1, 100000}) {
    EXPECT_EQ(Translate({Key(kMessageKeyDown, key), Key(kMessageKeyUp, key)}), "") << key;
  }
}

TEST_F(TranslatorTest, AutoRepeatedPressesAreDropped) {
  TWindowMessage repeat = Key(kMessageKeyDown, 65);
  repeat.repeat = true;
  EXPECT_EQ(Translate({Key(kMessageKeyDown, 65), repeat, repeat, Key(kMessageKeyUp, 65)}),
            "KeyDown: data=65, mods=0, x=0, y=0, extra=\"\"\n"
            "KeyUp: data=65, mods=0, x=0, y=0, extra=\"\"\n");
}

TEST_F(TranslatorTest, WheelDeltaIsCountedInWholeNotchesTowardZero) {
  struct Case {
    int32_t delta, notches;
  };
  for (Case c : {Case{240, 2}, Case{-120, -1}, Case{60, 0}, Case{-239, -1}}) {
    Translate({{.kind = kMessageWheel, .window = kWindow, .wheelDelta = c.delta}});
    ASSERT_EQ(recorder->Events().size(), 1u);
    EXPECT_EQ(recorder->Events()[0]->id, kEventMouseWheel);
    EXPECT_EQ(recorder->Events()[0]->data, c.notches) << "delta " << c.delta;
  }
}

TEST_F(TranslatorTest, ModifierKeysSetTheModsOfLaterEvents) {
  TWindowMessage shift_down = Key(kMessageKeyDown, 16, 42);
  shift_down.modifiers = kModShift;
  TWindowMessage shift_up = Key(kMessageKeyUp, 16, 42);
  // Only modifier keys refresh the state: a letter's own keyboard state is not read.
  TWindowMessage letter = Key(kMessageKeyDown, 66);
  letter.modifiers = kModAlt;
  EXPECT_EQ(Translate({shift_down, Key(kMessageKeyDown, 65), shift_up, letter}),
            "KeyDown: data=160, mods=1, x=0, y=0, extra=\"\"\n"
            "KeyDown: data=65, mods=1, x=0, y=0, extra=\"\"\n"
            "KeyUp: data=160, mods=0, x=0, y=0, extra=\"\"\n"
            "KeyDown: data=66, mods=0, x=0, y=0, extra=\"\"\n");
}

TEST_F(TranslatorTest, CloseActivationAndCharacters) {
  EXPECT_EQ(Translate({{.kind = kMessageClose, .window = kWindow},
                       {.kind = kMessageActivate, .window = kWindow, .active = 0},
                       {.kind = kMessageActivate, .window = kWindow, .active = 1},
                       {.kind = kMessageChar, .window = kWindow, .character = 13},
                       {.kind = kMessageChar, .window = kWindow, .character = 233}}),
            "AppTerminate: data=0, mods=0, x=0, y=0, extra=\"\"\n"
            "AppSuspend: data=0, mods=0, x=0, y=0, extra=\"\"\n"
            "AppResume: data=0, mods=0, x=0, y=0, extra=\"\"\n"
            "KeyChar: data=13, mods=0, x=0, y=0, extra=\"\"\n"
            "KeyChar: data=233, mods=0, x=0, y=0, extra=\"\"\n");
}

TEST_F(TranslatorTest, ButtonsOneToThreeCarryThePointerPosition) {
  EXPECT_EQ(Translate({{.kind = kMessageButtonDown, .window = kWindow, .button = 2, .x = 5, .y = 6},
                       {.kind = kMessageButtonUp, .window = kWindow, .button = 3, .x = 7, .y = 8},
                       {.kind = kMessageButtonDown, .window = kWindow, .button = 4}}),
            "MouseDown: data=2, mods=0, x=5, y=6, extra=\"\"\n"
            "MouseUp: data=3, mods=0, x=7, y=8, extra=\"\"\n");
}

TEST_F(TranslatorTest, ThePointerEntersBeforeItsMoveAndLeavesWithMods0) {
  ModifierState = kModControl;
  Translate({Move(kWindow, -5, 10)});  // outside: tracks nothing
  EXPECT_EQ(Translate({Move(kWindow, 10, 20), Move(kWindow, 11, 21)}),
            "MouseEnter: data=0, mods=0, x=10, y=20, extra=\"\"\n"
            "MouseMove: data=0, mods=2, x=10, y=20, extra=\"\"\n"
            "MouseMove: data=0, mods=2, x=11, y=21, extra=\"\"\n");
  // Moving past the client area (the pointer is captured) leaves, then moves.
  EXPECT_EQ(Translate({Move(kWindow, 640, 21), Move(kWindow, 639, 479)}),
            "MouseLeave: data=0, mods=0, x=640, y=21, extra=\"\"\n"
            "MouseMove: data=0, mods=2, x=640, y=21, extra=\"\"\n"
            "MouseEnter: data=0, mods=0, x=639, y=479, extra=\"\"\n"
            "MouseMove: data=0, mods=2, x=639, y=479, extra=\"\"\n");
  EXPECT_EQ(Translate({{.kind = kMessagePointerLeave, .window = kWindow, .x = 700, .y = -3},
                       {.kind = kMessagePointerLeave, .window = kWindow}}),
            "MouseLeave: data=0, mods=0, x=700, y=-3, extra=\"\"\n");
}

TEST_F(TranslatorTest, EnterAndLeaveCarryTheirWindowsSource) {
  Translate({Move(kGadgetWindow, 1, 1), Move(kWindow, 2, 2)});
  const auto& events = recorder->Events();
  ASSERT_EQ(events.size(), 5u);
  EXPECT_EQ(events[0]->id, kEventMouseEnter);
  EXPECT_EQ(events[0]->source, gadget);
  EXPECT_EQ(events[1]->source, gadget);
  EXPECT_EQ(events[2]->id, kEventMouseLeave);
  EXPECT_EQ(events[2]->source, gadget);
  EXPECT_EQ(events[3]->id, kEventMouseEnter);
  EXPECT_EQ(events[3]->source, nullptr);
  // A leave for a window the pointer is not in is ignored.
  EXPECT_EQ(Translate({{.kind = kMessagePointerLeave, .window = kGadgetWindow}}), "");
}

TEST_F(TranslatorTest, AMessageForAnUnregisteredWindowGetsDefaultHandling) {
  TWindowMessage shift = Key(kMessageKeyDown, 16, 42);
  shift.window = 99;
  shift.modifiers = kModShift;
  TWindowMessage key = Key(kMessageKeyDown, 65);
  key.window = 99;
  EXPECT_EQ(Translate({shift,
                       key,
                       {.kind = kMessageClose, .window = 99},
                       {.kind = kMessageClose, .window = 0}}),
            "");
  EXPECT_FALSE(DeliverWindowMessage({.kind = kMessageClose, .window = 99}));
  // The keyboard state is the platform's, whichever window the key went to.
  EXPECT_EQ(ModifierState, kModShift);
}

TEST_F(TranslatorTest, AClosedWindowIsNoLongerTrackedAndGetsNoLeave) {
  Translate({Move(kGadgetWindow, 1, 1)});
  UnregisterWindowProc(kGadgetWindow);
  EXPECT_EQ(Translate({Move(kWindow, 3, 4)}),
            "MouseEnter: data=0, mods=0, x=3, y=4, extra=\"\"\n"
            "MouseMove: data=0, mods=0, x=3, y=4, extra=\"\"\n");
}

}  // namespace
