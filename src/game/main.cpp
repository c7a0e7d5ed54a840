// The game's entry point: process start, module start-up, and the frame loop.
#include <cstdlib>
#include <memory>

#include "audio/audio_module.h"
#include "framework/framework_module.h"
#include "framework/state_manager.h"
#include "game/boot_state.h"
#include "game/main_loop.h"
#include "graphics/graphics_module.h"
#include "runtime/module_init.h"
#include "runtime/process.h"

int main(int argc, char** argv) {
  StartProcess(argc, argv);
  return RunMain([] {
    InitRuntime();
    InitFramework();
    InitGraphics();
    InitAudio();

    auto manager = std::make_shared<TStateManager>();
    manager->ChangeState(std::make_shared<TBootState>());
    RunFrameLoop(*manager, TFrameSteps{});
    // The program ends here at once: no state is cleaned up and nothing is released, only
    // the exit actions run (closing the screen, the sound device).
    std::exit(0);
    return 0;
  });
}
