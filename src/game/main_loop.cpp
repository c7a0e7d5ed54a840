#include "game/main_loop.h"

void RunFrameLoop(TStateManager& manager, const TFrameSteps& steps) {
  while (manager.IsRunning()) {
    if (steps.begin) steps.begin();
    manager.HandleEvents();
    manager.Update();
    manager.Draw();
    if (steps.end) steps.end();
  }
}
