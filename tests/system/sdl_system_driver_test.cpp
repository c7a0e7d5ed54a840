// The SDL system driver without a display: events pushed into SDL's own queue come out of a
// poll as the right events and the right polled state. Also its key map, clock and choosers.
#include "system/sdl_system_driver.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <set>
#include <string>
#include <thread>
#include <utility>

#include "runtime/process.h"
#include "support/event_recorder.h"
#include "system/event_queue.h"
#include "system/input.h"
#include "system/message_translator.h"
#include "system/system_driver.h"
#include "system/system_module.h"
#include "system/window_registry.h"

namespace {

constexpr Uint32 kWindow = 4242;

class SdlSystemDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitSystem();
    driver = std::make_shared<TNativeSystemDriver>();
    SetSystemDriver(driver);
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    RegisterWindowProc(kWindow,
                       [](const TWindowMessage& m) { TranslateWindowMessage(m, nullptr); });
    ModifierState = 0;
    EnableInputPolling(nullptr);
    recorder = std::make_unique<TEventRecorder>();
  }
  void TearDown() override {
    recorder.reset();
    DisableInputPolling();
    UnregisterWindowProc(kWindow);
    FlushQueuedEvents();
    SetSystemDriver(nullptr);
  }

  static void PushKey(Uint32 type, SDL_Scancode scancode, Uint8 repeat = 0, Uint16 mod = 0,
                      Uint32 window = kWindow) {
    SDL_Event e{};
    e.type = type;
    e.key.windowID = window;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat;
    e.key.keysym.scancode = scancode;
    e.key.keysym.sym = SDL_GetKeyFromScancode(scancode);
    e.key.keysym.mod = mod;
    ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
  }
  static void PushText(const char* utf8, Uint32 window = kWindow) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    e.text.windowID = window;
    SDL_strlcpy(e.text.text, utf8, sizeof e.text.text);
    ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
  }
  static void PushWindowEvent(SDL_WindowEventID id) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = kWindow;
    e.window.event = id;
    ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
  }

  std::shared_ptr<TNativeSystemDriver> driver;
  std::unique_ptr<TEventRecorder> recorder;
};

TEST_F(SdlSystemDriverTest, KeyDownTextAndKeyUp) {
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_A);
  PushText("a");
  EXPECT_EQ(KeyHitCount(65), 1);
  EXPECT_EQ(KeyIsDown(65), 1);
  EXPECT_EQ(NextTypedChar(), 97);
  EXPECT_EQ(NextTypedChar(), 0);
  PushKey(SDL_KEYUP, SDL_SCANCODE_A);
  EXPECT_EQ(KeyIsDown(65), 0);
  EXPECT_EQ(recorder->Texts(),
            "KeyDown: data=65, mods=0, x=0, y=0, extra=\"\"\n"
            "KeyChar: data=97, mods=0, x=0, y=0, extra=\"\"\n"
            "KeyUp: data=65, mods=0, x=0, y=0, extra=\"\"\n");
}

TEST_F(SdlSystemDriverTest, TextInputBecomesOneCharacterPerCode) {
  PushText("h\xC3\xA9!");  // "hé!"
  EXPECT_EQ(NextTypedChar(), 'h');
  EXPECT_EQ(NextTypedChar(), 0xE9);
  EXPECT_EQ(NextTypedChar(), '!');
  EXPECT_EQ(NextTypedChar(), 0);
}

TEST_F(SdlSystemDriverTest, EnterBackspaceTabAndEscapeAlsoTypeTheirCodes) {
  for (SDL_Scancode s : {SDL_SCANCODE_RETURN, SDL_SCANCODE_BACKSPACE, SDL_SCANCODE_TAB,
                         SDL_SCANCODE_ESCAPE, SDL_SCANCODE_KP_ENTER}) {
    PushKey(SDL_KEYDOWN, s);
    PushKey(SDL_KEYUP, s);
  }
  for (int c : {13, 8, 9, 27, 13}) EXPECT_EQ(NextTypedChar(), c);
  EXPECT_EQ(NextTypedChar(), 0);
  for (int key : {8, 9, 27}) EXPECT_EQ(KeyHitCount(key), 1) << key;
  EXPECT_EQ(KeyHitCount(13), 2);
}

TEST_F(SdlSystemDriverTest, AutoRepeatsMakeNoKeyDown) {
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_B);
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_B, 1);
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_B, 1);
  PushKey(SDL_KEYUP, SDL_SCANCODE_B);
  PollSystem();
  EXPECT_EQ(recorder->Texts(),
            "KeyDown: data=66, mods=0, x=0, y=0, extra=\"\"\n"
            "KeyUp: data=66, mods=0, x=0, y=0, extra=\"\"\n");
}

TEST_F(SdlSystemDriverTest, ShiftControlAndAltKeysAreSideSpecificAndSetTheMods) {
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_LSHIFT, 0, KMOD_LSHIFT);
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_RALT, 0, KMOD_LSHIFT | KMOD_RALT);
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_C, 0, KMOD_LSHIFT | KMOD_RALT);
  EXPECT_EQ(KeyIsDown(160), 1);
  EXPECT_EQ(KeyIsDown(165), 1);
  EXPECT_EQ(KeyIsDown(16), 0);
  EXPECT_EQ(KeyIsDown(18), 0);
  ASSERT_EQ(recorder->Events().size(), 3u);
  EXPECT_EQ(recorder->Events()[2]->mods, 1 | 4);
  PushKey(SDL_KEYUP, SDL_SCANCODE_LSHIFT, 0, KMOD_RALT);
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_RCTRL, 0, KMOD_RALT | KMOD_RCTRL);
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_LGUI, 0, KMOD_RALT | KMOD_RCTRL | KMOD_LGUI);
  EXPECT_EQ(KeyIsDown(160), 0);
  EXPECT_EQ(KeyIsDown(163), 1);
  EXPECT_EQ(KeyIsDown(91), 1);
  EXPECT_EQ(ModifierState, 2 | 4 | 8);
}

TEST_F(SdlSystemDriverTest, LosingAndRegainingFocusSuspendsAndResumesWithFlushes) {
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_D);
  PushText("d");
  PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
  EXPECT_EQ(AppIsSuspended(), 1);
  EXPECT_EQ(KeyIsDown(68), 0);
  EXPECT_EQ(KeyHitCount(68), 0);
  EXPECT_EQ(NextTypedChar(), 0);
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_E);
  PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
  EXPECT_EQ(AppIsSuspended(), 0);
  EXPECT_EQ(KeyHitCount(69), 0);
}

TEST_F(SdlSystemDriverTest, ACloseRequestIsAppTerminate) {
  PushWindowEvent(SDL_WINDOWEVENT_CLOSE);
  EXPECT_EQ(TerminateRequested(), 1);
  EXPECT_EQ(TerminateRequested(), 0);
  EXPECT_EQ(recorder->Texts(), "AppTerminate: data=0, mods=0, x=0, y=0, extra=\"\"\n");
}

TEST_F(SdlSystemDriverTest, PointerWheelAndButtons) {
  SDL_Event e{};
  e.type = SDL_MOUSEMOTION;
  e.motion.windowID = kWindow;
  e.motion.x = 12;
  e.motion.y = 34;
  SDL_PushEvent(&e);
  e = {};
  e.type = SDL_MOUSEWHEEL;
  e.wheel.windowID = kWindow;
  e.wheel.y = 3;
  SDL_PushEvent(&e);
  e.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
  e.wheel.y = 1;
  SDL_PushEvent(&e);
  e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
  e.wheel.x = 2;  // a purely horizontal scroll: no "MouseWheel" at all
  e.wheel.y = 0;
  SDL_PushEvent(&e);
  e = {};
  e.type = SDL_MOUSEBUTTONDOWN;
  e.button.windowID = kWindow;
  e.button.button = SDL_BUTTON_RIGHT;
  SDL_PushEvent(&e);
  e.button.button = SDL_BUTTON_X1;  // not one of the three buttons
  SDL_PushEvent(&e);
  EXPECT_EQ(PointerX(), 12);
  EXPECT_EQ(PointerY(), 34);
  EXPECT_EQ(WheelPosition(), 2);
  int wheels = 0;
  for (const TEventRef& event : recorder->Events()) wheels += event->id == kEventMouseWheel;
  EXPECT_EQ(wheels, 2);
  EXPECT_EQ(ButtonHitCount(2), 1);
  EXPECT_EQ(ButtonHitCount(1) + ButtonHitCount(3), 0);
}

TEST_F(SdlSystemDriverTest, EventsForWindowsNobodyRegisteredMakeNoEvents) {
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_A, 0, 0, 999);
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_B, 0, 0, 0);
  PushText("x", 999);
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
  EXPECT_EQ(KeyHitCount(65), 0);
  EXPECT_EQ(KeyHitCount(66), 0);
  EXPECT_EQ(NextTypedChar(), 0);
  EXPECT_EQ(TerminateRequested(), 0);
  EXPECT_TRUE(recorder->Events().empty());
}

TEST_F(SdlSystemDriverTest, WaitReturnsOnceAnEventIsPendingAndDrainsIt) {
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_W);
  WaitSystemEvents();
  EXPECT_EQ(recorder->Events().size(), 1u);
  EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT), 0);
}

// A real hidden SDL window on the X display, so that the driver computes the client size of
// pointer moves and the position of a leave from SDL's own window and pointer state.
class SdlPointerWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitSystem();
    SetSystemDriver(std::make_shared<TNativeSystemDriver>());
    const char* require = std::getenv("REQUIRE_DISPLAY");
    const bool required = require && std::string(require) == "1";
    if (!std::getenv("DISPLAY") || SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
      if (required) FAIL() << "no display: " << SDL_GetError();
      GTEST_SKIP() << "no display";
    }
    video = true;
    window = SDL_CreateWindow("", 100, 50, 200, 100, SDL_WINDOW_HIDDEN);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    id = SDL_GetWindowID(window);
    RegisterWindowProc(id, [](const TWindowMessage& m) { TranslateWindowMessage(m, nullptr); });
    PollSystem();  // whatever the window's creation queued
    recorder = std::make_unique<TEventRecorder>();
  }
  void TearDown() override {
    recorder.reset();
    if (id) UnregisterWindowProc(id);
    if (window) SDL_DestroyWindow(window);
    if (video) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    FlushQueuedEvents();
    SetSystemDriver(nullptr);
  }
  void Move(int x, int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = id;
    e.motion.x = x;
    e.motion.y = y;
    ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
    PollSystem();
  }

  bool video = false;
  SDL_Window* window = nullptr;
  Uint32 id = 0;
  std::unique_ptr<TEventRecorder> recorder;
};

TEST_F(SdlPointerWindowTest, EnterAndLeaveByTheWindowsRealSizeAndThePointersRealPosition) {
  Move(10, 20);
  Move(199, 99);
  Move(200, 99);  // one past the client width: outside
  Move(10, 20);
  // The platform's leave notification: the pointer is now at (130, 90) on the screen, which is
  // (30, 40) in the client area of the window at (100, 50).
  SDL_WarpMouseGlobal(130, 90);
  SDL_Event leave{};
  leave.type = SDL_WINDOWEVENT;
  leave.window.windowID = id;
  leave.window.event = SDL_WINDOWEVENT_LEAVE;
  ASSERT_EQ(SDL_PushEvent(&leave), 1) << SDL_GetError();
  PollSystem();
  EXPECT_EQ(recorder->Texts(),
            "MouseEnter: data=0, mods=0, x=10, y=20, extra=\"\"\n"
            "MouseMove: data=0, mods=0, x=10, y=20, extra=\"\"\n"
            "MouseMove: data=0, mods=0, x=199, y=99, extra=\"\"\n"
            "MouseLeave: data=0, mods=0, x=200, y=99, extra=\"\"\n"
            "MouseMove: data=0, mods=0, x=200, y=99, extra=\"\"\n"
            "MouseEnter: data=0, mods=0, x=10, y=20, extra=\"\"\n"
            "MouseMove: data=0, mods=0, x=10, y=20, extra=\"\"\n"
            "MouseLeave: data=0, mods=0, x=30, y=40, extra=\"\"\n");
}

// SDL's own view of the pointer follows the X server's events: pumps them until done() holds,
// for up to two seconds.
template <typename Done>
bool PumpUntil(Done done) {
  const Uint32 end = SDL_GetTicks() + 2000;
  while (!done()) {
    if (SDL_TICKS_PASSED(SDL_GetTicks(), end)) return false;
    SDL_PumpEvents();
    SDL_Delay(10);
  }
  return true;
}

// With no window active, the pointer goes to screen coordinates: on a plain X server through the
// root window, whether a window of the program's lies there or not.
TEST_F(SdlPointerWindowTest, WithNoWindowActiveThePointerGoesToScreenCoordinates) {
  ASSERT_EQ(SDL_GetKeyboardFocus(), nullptr);
  for (auto [x, y] : {std::pair{130, 90}, std::pair{20, 10}}) {
    SetPointerPosition(x, y);
    int gx = -1, gy = -1;
    EXPECT_TRUE(PumpUntil([&] {
      SDL_GetGlobalMouseState(&gx, &gy);
      return gx == x && gy == y;
    })) << "the pointer is at (" << gx << ", " << gy << "), not (" << x << ", " << y << ")";
  }
}

// Keys that SDL gives no window (none has its keyboard focus) reach a plain X server's clients
// when the focus has fallen back to the root window: the server sends them to the window under
// the pointer, but nobody typed them for it. They make no event, even with the pointer there.
TEST_F(SdlPointerWindowTest, KeysWithoutAFocusedWindowMakeNoEventsOnAPlainXServer) {
  SDL_ShowWindow(window);
  SDL_WarpMouseGlobal(150, 80);  // inside the window at (100, 50)
  ASSERT_TRUE(PumpUntil([&] { return SDL_GetMouseFocus() == window; }))
      << "the pointer never entered the window";
  PollSystem();
  recorder->Clear();
  SDL_Event key{};
  key.type = SDL_KEYDOWN;
  key.key.state = SDL_PRESSED;
  key.key.keysym.scancode = SDL_SCANCODE_A;
  ASSERT_EQ(SDL_PushEvent(&key), 1) << SDL_GetError();
  SDL_Event text{};
  text.type = SDL_TEXTINPUT;
  SDL_strlcpy(text.text.text, "a", sizeof text.text.text);
  ASSERT_EQ(SDL_PushEvent(&text), 1) << SDL_GetError();
  PollSystem();
  EXPECT_EQ(recorder->Texts(), "");
}

void MarkExitAction() {
  std::fputs("exit action, ", stderr);
}

// A signal that arrives on another thread wakes nothing on the main thread; a wait for events
// or a long pause still ends within a moment and raises "Received Signal" through the exit
// actions, instead of leaving it to the watchdog (which skips them).
TEST(SdlSystemSafePointTest, ASignalEndsAWaitOrAPauseAtOnce) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  struct Case {
    const char* name;
    int sig;
    void (*block)();
  } cases[] = {
      {"wait", SIGINT, [] { WaitSystemEvents(); }},
      {"pause", SIGHUP, [] { PauseMilliseconds(60000); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EXIT(
        {
          InstallSignalHandlers();
          InitSystem();
          std::atexit(MarkExitAction);
          RunMain([&c] {
            const auto start = std::chrono::steady_clock::now();
            std::thread sender([&c] {
              std::this_thread::sleep_for(std::chrono::milliseconds(100));
              kill(getpid(), c.sig);
            });
            sender.detach();
            try {
              c.block();
            } catch (...) {
              // Well before the watchdog's two seconds.
              if (std::chrono::steady_clock::now() - start < std::chrono::seconds(1)) throw;
            }
            return 0;
          });
          std::exit(0);
        },
        ::testing::ExitedWithCode(255), "^Received Signalexit action, $");
  }
}

TEST(SdlSystemClockTest, TheClockIsTheSystemsUptimeInMillisecondsAndPausesAdvanceIt) {
  TNativeSystemDriver driver;
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  auto uptime = static_cast<uint32_t>(now.tv_sec * 1000ull + now.tv_nsec / 1000000);
  int32_t clock = driver.Clock();
  // Wrapping 32-bit difference: not since the program started, but since the system did.
  EXPECT_LE(static_cast<uint32_t>(clock) - uptime, 5u);
  driver.Pause(20);
  EXPECT_GE(
      static_cast<int32_t>(static_cast<uint32_t>(driver.Clock()) - static_cast<uint32_t>(clock)),
      20);
}

// Each standard key reports its own code: only the two Enter keys share one.
TEST(SdlKeyMapTest, EveryKeyOfA105KeyKeyboardHasItsVirtualKeyCode) {
  struct Case {
    SDL_Scancode scancode;
    int32_t key;
  };
  Case known[] = {
      {SDL_SCANCODE_A, 65},
      {SDL_SCANCODE_Z, 90},
      {SDL_SCANCODE_0, 48},
      {SDL_SCANCODE_9, 57},
      {SDL_SCANCODE_ESCAPE, 27},
      {SDL_SCANCODE_RETURN, 13},
      {SDL_SCANCODE_TAB, 9},
      {SDL_SCANCODE_BACKSPACE, 8},
      {SDL_SCANCODE_SPACE, 32},
      {SDL_SCANCODE_UP, 38},
      {SDL_SCANCODE_DOWN, 40},
      {SDL_SCANCODE_LEFT, 37},
      {SDL_SCANCODE_RIGHT, 39},
      {SDL_SCANCODE_F1, 112},
      {SDL_SCANCODE_F12, 123},
      {SDL_SCANCODE_KP_0, 96},
      {SDL_SCANCODE_KP_9, 105},
      {SDL_SCANCODE_DELETE, 46},
      {SDL_SCANCODE_SEMICOLON, 186},
      {SDL_SCANCODE_GRAVE, 192},
      {SDL_SCANCODE_NONUSBACKSLASH, 226},
      {SDL_SCANCODE_PAUSE, 19},
      {SDL_SCANCODE_PRINTSCREEN, 44},
  };
  for (Case c : known) EXPECT_EQ(NativeKeyOfScancode(c.scancode).key, c.key) << c.scancode;

  std::set<SDL_Scancode> keys;
  for (int s = SDL_SCANCODE_A; s <= SDL_SCANCODE_KP_PERIOD; ++s) {
    if (s != SDL_SCANCODE_NONUSHASH) keys.insert(static_cast<SDL_Scancode>(s));
  }
  for (SDL_Scancode s :
       {SDL_SCANCODE_NONUSBACKSLASH, SDL_SCANCODE_APPLICATION, SDL_SCANCODE_LCTRL,
        SDL_SCANCODE_LSHIFT, SDL_SCANCODE_LALT, SDL_SCANCODE_LGUI, SDL_SCANCODE_RCTRL,
        SDL_SCANCODE_RSHIFT, SDL_SCANCODE_RALT, SDL_SCANCODE_RGUI}) {
    keys.insert(s);
  }
  ASSERT_EQ(keys.size(), 105u);

  std::set<int32_t> codes;
  for (SDL_Scancode s : keys) {
    TWindowMessage press{.kind = kMessageKeyDown};
    TNativeKey native = NativeKeyOfScancode(s);
    press.key = native.key;
    press.scanCode = native.scanCode;
    press.extended = native.extended;
    int32_t code = KeyCodeOf(press);
    EXPECT_GE(code, 1) << SDL_GetScancodeName(s);
    EXPECT_LE(code, 255) << SDL_GetScancodeName(s);
    EXPECT_TRUE(codes.insert(code).second || s == SDL_SCANCODE_KP_ENTER)
        << SDL_GetScancodeName(s) << " shares code " << code;
  }
  EXPECT_EQ(codes.size(), 104u);
  for (int32_t side : {160, 161, 162, 163, 164, 165}) EXPECT_EQ(codes.count(side), 1u) << side;
  EXPECT_EQ(NativeKeyOfScancode(SDL_SCANCODE_MUTE).key, 0);
}

TEST(SdlChooserTest, FiltersBecomeZenityFileFilters) {
  auto args = ChooserArguments(u"Open", "Images:png,jpg;All:*", 1, "/tmp/x.png", false);
  std::vector<std::string> expected = {"zenity",
                                       "--file-selection",
                                       "--title=Open",
                                       "--save",
                                       "--confirm-overwrite",
                                       "--filename=/tmp/x.png",
                                       "--file-filter=Images | *.png *.jpg",
                                       "--file-filter=All | *"};
  EXPECT_EQ(args, expected);
  EXPECT_EQ(ChooserArguments(u"T", "txt", 0, "", false).back(), "--file-filter=*.txt");
  EXPECT_EQ(ChooserArguments(u"T", "txt", 0, "", true).back(), "--directory");
}

TEST(SdlChooserTest, WithoutTheDesktopToolsChoosersGiveNothingAndOpeningFails) {
  const char* old = std::getenv("PATH");
  std::string saved = old ? old : "";
  setenv("PATH", "/nonexistent", 1);
  TNativeSystemDriver driver;
  EXPECT_EQ(driver.ChooseFile(u"Open", "", 0, ""), "");
  EXPECT_EQ(driver.ChooseDirectory(u"Folder", ""), "");
  EXPECT_EQ(driver.OpenDocument("/tmp"), 0);
  setenv("PATH", saved.c_str(), 1);
}

}  // namespace
