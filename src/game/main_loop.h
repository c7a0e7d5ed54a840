// The frame loop: one frame after another over the state stack until a state quits.
#pragma once

#include <functional>

#include "framework/state_manager.h"

// What a frame does around the states: begin clears the screen, end presents it.
struct TFrameSteps {
  std::function<void()> begin;
  std::function<void()> end;
};

// While the manager runs: begin, HandleEvents, Update, Draw, end. The test comes before each
// frame, so the frame in which a state quits is still completed.
void RunFrameLoop(TStateManager& manager, const TFrameSteps& steps);
