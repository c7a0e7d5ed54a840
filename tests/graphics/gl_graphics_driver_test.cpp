// The OpenGL display driver on the X display (Xvfb in CI): full-screen and windowed surfaces,
// opening and closing through the graphics module, focus changes, close requests, textures that
// outlive windows, no display at all, and the order of teardown at exit.
#include "graphics/gl_graphics_driver.h"

#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "framework/helpers.h"
#include "graphics/draw_graphics.h"
#include "graphics/gl_render_driver.h"
#include "graphics/graphics.h"
#include "graphics/graphics_module.h"
#include "runtime/runtime_error.h"
#include "support/display_check.h"
#include "support/event_recorder.h"
#include "system/event.h"
#include "system/input.h"
#include "system/sdl_system_driver.h"
#include "system/system_driver.h"

namespace {

uint32_t WindowOf(const TGraphicsRef& graphics) {
  auto draw = std::dynamic_pointer_cast<TDrawGraphics>(graphics);
  auto surface = std::dynamic_pointer_cast<TGLSurface>(draw ? draw->surface : graphics);
  return surface ? surface->WindowId() : 0;
}

// Pumps the system's queue until done() holds, for at most about three seconds.
bool PumpUntil(const std::function<bool()>& done) {
  for (int i = 0; i < 300; ++i) {
    PollSystem();
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

int32_t CountEvents(const TEventRecorder& recorder, int32_t id) {
  int32_t n = 0;
  for (const TEventRef& e : recorder.Events()) n += e->id == id;
  return n;
}

class GLGraphicsDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_DISPLAY();
    InitGraphics();
    SetSystemDriver(std::make_shared<TNativeSystemDriver>());
    SelectDisplayDriver(GLRenderDriver(), GRAPHICS_BACKBUFFER);
  }
  void TearDown() override { CloseAppGraphics(); }

  // The colour of one pixel of the current graphics, after clearing to (r, g, b).
  static void ClearTo(int32_t r, int32_t g, int32_t b) {
    GLRenderDriver()->ApplyClearColor(r, g, b);
    GLRenderDriver()->ClearBuffer();
  }
  static uint32_t PixelRGB(int32_t x, int32_t y) {
    TPixmapRef p = GLRenderDriver()->ReadPixels(x, y, 1, 1);
    const uint8_t* q = p->pixels;
    return (uint32_t(q[0]) << 16) | (uint32_t(q[1]) << 8) | q[2];
  }
};

TEST_F(GLGraphicsDriverTest, GameOpeningGivesABlackFullScreenWithThePointerInTheMiddle) {
  TGraphicsRef g = OpenGraphics(1024, 768, 32, 85, 0);
  ASSERT_NE(g, nullptr) << "SDL: " << SDL_GetError();
  // First, before a test running beside this one can move the pointer.
  int x = -1, y = -1;
  SDL_GetGlobalMouseState(&x, &y);
  EXPECT_EQ(x, 512);
  EXPECT_EQ(y, 384);
  EXPECT_EQ(ScreenWidth(), 1024);
  EXPECT_EQ(ScreenHeight(), 768);
  EXPECT_EQ(ScreenDepth(), 32);
  EXPECT_EQ(ScreenHz(), 85);
  EXPECT_EQ(ScreenFlags(), GRAPHICS_BACKBUFFER);

  SDL_Window* window = SDL_GetWindowFromID(WindowOf(g));
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN);
  EXPECT_TRUE(SDL_GetWindowFlags(window) & SDL_WINDOW_BORDERLESS);
  EXPECT_STREQ(SDL_GetWindowTitle(window), "Vantor Application");

  TPixmapRef screen = GLRenderDriver()->ReadPixels(0, 0, 1024, 768);
  int32_t lit = 0;
  for (int32_t y = 0; y < 768; ++y) {
    const uint8_t* row = screen->PixelAddress(0, y);
    for (int32_t x = 0; x < 1024 * 4; x += 4) lit += row[x] | row[x + 1] | row[x + 2];
  }
  EXPECT_EQ(lit, 0) << "the screen starts black";
}

// The display offers one mode here (1024 x 768): other full-screen sizes and depths take SDL's
// closest, and the surface says what it got, so that the game scales itself to it.
TEST_F(GLGraphicsDriverTest, FullScreenWithoutTheRequestedModeTakesTheClosest) {
  struct Case {
    int32_t w, h, depth;
  } cases[] = {{800, 600, 32}, {1024, 768, 16}, {4000, 3000, 32}};
  for (const Case& c : cases) {
    TGraphicsRef g;
    EXPECT_NO_THROW(g = OpenGraphics(c.w, c.h, c.depth, 0, 0)) << c.w << " x " << c.h;
    ASSERT_NE(g, nullptr) << c.w << " x " << c.h;
    SDL_Window* window = SDL_GetWindowFromID(WindowOf(g));
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN);
    EXPECT_EQ((std::vector<int32_t>{ScreenWidth(), ScreenHeight(), ScreenDepth()}),
              (std::vector<int32_t>{1024, 768, 32}))
        << "asked for " << c.w << " x " << c.h << " x " << c.depth;
    ClearTo(0, 90, 0);
    EXPECT_EQ(PixelRGB(5, 5), 0x005A00u) << "and it draws at " << c.w << " x " << c.h;
  }
}

TEST_F(GLGraphicsDriverTest, WindowedSurfaceHasACaptionAndItsClientAreaAt32) {
  TGraphicsRef s = GLGraphicsDriver()->CreateSurface(640, 480, 0, 60, GRAPHICS_BACKBUFFER);
  ASSERT_NE(s, nullptr);
  int32_t w, h, d, hz, flags;
  s->QuerySettings(w, h, d, hz, flags);
  EXPECT_EQ((std::vector<int32_t>{w, h, d, hz, flags}),
            (std::vector<int32_t>{640, 480, 0, 60, GRAPHICS_BACKBUFFER}));
  EXPECT_EQ(s->OwnerDriver(), GLGraphicsDriver());
  const uint32_t id = WindowOf(s);
  SDL_Window* window = SDL_GetWindowFromID(id);
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(SDL_GetWindowFlags(window) & (SDL_WINDOW_FULLSCREEN | SDL_WINDOW_BORDERLESS));
  int x = 0, y = 0;
  SDL_GetWindowPosition(window, &x, &y);
  EXPECT_EQ(x, 32);
  EXPECT_EQ(y, 32);
  SDL_GetWindowSize(window, &x, &y);
  EXPECT_EQ(x, 640);
  EXPECT_EQ(y, 480);

  s->Release();
  EXPECT_EQ(SDL_GetWindowFromID(id), nullptr);
  s->Release();  // again: nothing
  s->QuerySettings(w, h, d, hz, flags);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(GLGraphicsDriver()->AttachToWidget(nullptr, 0), nullptr);
}

TEST_F(GLGraphicsDriverTest, ModesHaveAtLeastSixteenBits) {
  const std::vector<TGraphicsMode> modes = ListDisplayModes();
  ASSERT_FALSE(modes.empty());
  for (const TGraphicsMode& m : modes) EXPECT_GE(m.depth, 16);
  EXPECT_EQ(HasDisplayMode(0, 0, 32, 0), 1) << "a 24-bit visual is a 32-bit mode";
  EXPECT_EQ(HasDisplayMode(1024, 768, 0, 0), 1);
}

TEST_F(GLGraphicsDriverTest, DesktopSizeIsTheScreensOwnAndCentresAWindow) {
  int32_t w = 0, h = 0;
  ASSERT_EQ(DesktopSize(w, h), 1);
  EXPECT_EQ(w, 1024);
  EXPECT_EQ(h, 768);
  int32_t x = -1, y = -1;
  ASSERT_EQ(CenterOnDesktop(x, y, 640, 480), 1);
  EXPECT_EQ(x, 192);
  EXPECT_EQ(y, 144);
}

TEST_F(GLGraphicsDriverTest, OpeningTwiceClosesTheFirstWindow) {
  TGraphicsRef first = OpenGraphics(640, 480, 0, 0, 0);
  ASSERT_NE(first, nullptr);
  const uint32_t id = WindowOf(first);
  const int32_t sequence = GraphicsSequence();
  TGraphicsRef second = OpenGraphics(320, 240, 0, 0, 0);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(SDL_GetWindowFromID(id), nullptr);
  EXPECT_NE(SDL_GetWindowFromID(WindowOf(second)), nullptr);
  EXPECT_EQ(GraphicsSequence(), sequence + 2);
  EXPECT_EQ(ScreenWidth(), 320);

  ReleaseGraphics(second);
  EXPECT_EQ(ScreenWidth(), 0);
  EXPECT_EQ(ScreenHeight(), 0);
  EXPECT_EQ(AppGraphics(), nullptr);
  FlipScreen(0);  // with nothing current: nothing happens
}

TEST_F(GLGraphicsDriverTest, TexturesOutliveTheWindowTheyWereMadeIn) {
  ASSERT_NE(OpenGraphics(320, 240, 0, 0, 0), nullptr);
  TPixmapRef p = NewPixmap(100, 100, PF_RGBA8888, 4);
  for (int32_t y = 0; y < 100; ++y) {
    for (int32_t x = 0; x < 100; ++x) p->PutPixelARGB(x, y, 0xFF20A040u);
  }
  TImageFrameRef frame = GLRenderDriver()->CreateFrame(p, 0);
  ASSERT_NE(OpenGraphics(640, 480, 0, 0, 0), nullptr);  // the first window is gone
  GLRenderDriver()->ApplyColor(255, 255, 255);
  GLRenderDriver()->ApplyAlpha(1);
  GLRenderDriver()->ApplyBlend(BLEND_SOLID);
  frame->DrawQuad(0, 0, 100, 100, 10, 10);
  EXPECT_EQ(PixelRGB(50, 50), 0x20A040u);
}

TEST_F(GLGraphicsDriverTest, CloseRequestIsAnnouncedAndTheWindowStays) {
  TGraphicsRef g = OpenGraphics(640, 480, 0, 0, 0);
  ASSERT_NE(g, nullptr) << "SDL: " << SDL_GetError();
  TEventRecorder recorder;
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.windowID = WindowOf(g);
  e.window.event = SDL_WINDOWEVENT_CLOSE;
  ASSERT_EQ(SDL_PushEvent(&e), 1);
  PollSystem();
  EXPECT_EQ(CountEvents(recorder, kEventAppTerminate), 1);
  EXPECT_EQ(TerminateRequested(), 1);
  EXPECT_NE(SDL_GetWindowFromID(WindowOf(g)), nullptr);
  ClearTo(0, 0, 200);
  FlipScreen(0);
  ClearTo(0, 0, 200);
  EXPECT_EQ(PixelRGB(10, 10), 200u);
}

// Other tests may open windows on the same display meanwhile, and a new window takes the focus:
// the round trip is tried a few times, and one that runs undisturbed must show both events.
TEST_F(GLGraphicsDriverTest, FocusTakenAndGivenBackSuspendsAndResumes) {
  TGraphicsRef g = OpenGraphics(1024, 768, 32, 0, 0);
  ASSERT_NE(g, nullptr) << "SDL: " << SDL_GetError();
  SDL_Window* game = SDL_GetWindowFromID(WindowOf(g));
  ASSERT_NE(game, nullptr);
  SDL_Window* other = SDL_CreateWindow("other", 100, 100, 200, 150, 0);
  ASSERT_NE(other, nullptr);
  bool suspended = false, resumed = false;
  for (int attempt = 0; attempt < 5 && !(suspended && resumed); ++attempt) {
    SDL_SetWindowInputFocus(game);
    if (!PumpUntil([&] { return SDL_GetKeyboardFocus() == game && !AppIsSuspended(); })) continue;
    TEventRecorder recorder;
    SDL_SetWindowInputFocus(other);
    suspended = PumpUntil(
        [&] { return CountEvents(recorder, kEventAppSuspend) > 0 && AppIsSuspended() == 1; });
    SDL_SetWindowInputFocus(game);
    resumed = PumpUntil(
        [&] { return CountEvents(recorder, kEventAppResume) > 0 && AppIsSuspended() == 0; });
  }
  SDL_DestroyWindow(other);
  EXPECT_TRUE(suspended) << "focus lost: AppSuspend";
  EXPECT_TRUE(resumed) << "focus back: AppResume";

  // The game window survives and draws again.
  EXPECT_EQ(SDL_GetWindowFromID(WindowOf(g)), game);
  ClearTo(10, 200, 30);
  FlipScreen(0);
  ClearTo(10, 200, 30);
  EXPECT_EQ(PixelRGB(500, 400), 0x0AC81Eu);
}

// Each case runs in a fresh process, so that no earlier test has started the display.
TEST(GLGraphicsDriverDeathTest, NoDisplayGivesNullWithoutCrashOrHang) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  struct Case {
    const char* display;  // null: unset
    const char* videoDriver;
  } cases[] = {{nullptr, "x11"}, {nullptr, nullptr}, {":4321", nullptr}, {":4321", "x11"}};
  for (const Case& c : cases) {
    EXPECT_EXIT(
        {
          if (c.display)
            setenv("DISPLAY", c.display, 1);
          else
            unsetenv("DISPLAY");
          if (c.videoDriver)
            setenv("SDL_VIDEODRIVER", c.videoDriver, 1);
          else
            unsetenv("SDL_VIDEODRIVER");
          InitGraphics();
          TGraphicsRef g = OpenGraphics(640, 480, 0, 0, 0);
          TGraphicsRef full = OpenGraphics(1024, 768, 32, 85, 0);
          std::_Exit(!g && !full && ScreenWidth() == 0 && CountDisplayModes() == 0 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "")
        << "DISPLAY " << (c.display ? c.display : "unset") << ", SDL_VIDEODRIVER "
        << (c.videoDriver ? c.videoDriver : "unset");
  }
}

// Without any OpenGL context a texture cannot be sized: a runtime error, not a crash.
TEST(GLGraphicsDriverDeathTest, FrameWithoutAContextCannotBeSized) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        unsetenv("DISPLAY");
        setenv("SDL_VIDEODRIVER", "x11", 1);
        InitGraphics();
        try {
          GLRenderDriver()->CreateFrame(NewPixmap(4, 4, PF_RGBA8888, 4), 0);
        } catch (const TRuntimeError& e) {
          std::_Exit(e.Text() == "Unable to calculate tex size" ? 0 : 2);
        }
        std::_Exit(1);
      },
      testing::ExitedWithCode(0), "");
}

// A display that cannot give the hidden window its visual (here: one that does not exist): no
// context can hold the textures, so the process ends with a reason and a failure status.
TEST(GLGraphicsDriverDeathTest, SharedContextFailureEndsTheProcessWithAReason) {
  SKIP_WITHOUT_DISPLAY();
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        setenv("SDL_VIDEO_X11_WINDOW_VISUALID", "0xdead", 1);
        InitGraphics();
        OpenGraphics(640, 480, 0, 0, 0);
        std::_Exit(0);
      },
      testing::ExitedWithCode(1), "unable to create the shared OpenGL context");
}

// Frames that static destruction drops after the exit actions have run, and before, end the
// process cleanly with status 0.
TEST(GLGraphicsDriverDeathTest, FramesDroppedAtExitEndCleanly) {
  SKIP_WITHOUT_DISPLAY();
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        static TImageFrameRef early;  // made before the display started: destroyed last
        InitGraphics();
        SetSystemDriver(std::make_shared<TNativeSystemDriver>());
        if (!OpenGraphics(320, 240, 0, 0, 0)) std::_Exit(3);
        TPixmapRef p = NewPixmap(100, 80, PF_RGBA8888, 4);
        early = GLRenderDriver()->CreateFrame(p, 0);
        static TImageFrameRef late = GLRenderDriver()->CreateFrame(p, 4);  // destroyed first
        static TImageFrameRef small = GLRenderDriver()->CreateFrame(NewPixmap(8, 8, 6, 4), 2);
        late->DrawQuad(0, 0, 10, 10, 0, 0);
        FlipScreen(0);
        std::exit(0);
      },
      testing::ExitedWithCode(0), "");
}

}  // namespace
