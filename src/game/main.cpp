// The game's entry point: process start, module start-up, the screen, the font, the main menu
// and the frame loop.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "audio/audio_module.h"
#include "framework/framework_module.h"
#include "framework/sprite.h"
#include "framework/state_manager.h"
#include "game/main_loop.h"
#include "game/menu_state.h"
#include "graphics/draw_graphics.h"
#include "graphics/glyph_font.h"
#include "graphics/graphics.h"
#include "graphics/graphics_module.h"
#include "runtime/module_init.h"
#include "runtime/process.h"
#include "runtime/runtime_error.h"
#include "system/input.h"

namespace {

// Every later step needs an open screen: without one the game says why on one line and ends.
[[noreturn]] void CannotOpenScreen(const std::string& why) {
  std::fprintf(stderr, "letterfight: cannot open the 1024 x 768 screen: %s\n", why.c_str());
  std::exit(1);
}

void OpenScreen() {
  TGraphicsRef graphics;
  try {
    graphics = OpenGraphics(1024, 768, 32, 85, 0);
  } catch (const TRuntimeError& error) {
    CannotOpenScreen(error.Text());
  }
  if (graphics) return;
  if (!CurrentDisplayDriver()) CannotOpenScreen("no display driver");
  if (CountDisplayModes() == 0) CannotOpenScreen("no display (is DISPLAY set?)");
  CannotOpenScreen("the display refused a full-screen window");
}

}  // namespace

int main(int argc, char** argv) {
  StartProcess(argc, argv);
  return RunMain([] {
    InitRuntime();
    InitFramework();
    InitGraphics();
    InitAudio();

    OpenScreen();
    TSprite::SetVirtualScale(ScreenWidth() / 1024.0f, ScreenHeight() / 768.0f);
    // Without the file the font is null, and UseFont then picks the built-in font.
    TGlyphFontRef font = LoadFontFile("arial.ttf", 32, FontStyleSmooth);
    UseFont(font);

    auto manager = std::make_shared<TStateManager>();
    manager->ChangeState(std::make_shared<TMenuState>());
    TFrameSteps steps;
    steps.begin = [] { ClearScreen(); };
    steps.end = [&manager] {
      FlipScreen(0);
      // A close request on the window (close button, Alt+F4) ends the game as quitting does.
      if (TerminateRequested()) manager->Quit();
    };
    RunFrameLoop(*manager, steps);
    // The program ends here at once: no state is cleaned up and nothing is released, only
    // the exit actions run (closing the screen, the sound device).
    std::exit(0);
    return 0;
  });
}
