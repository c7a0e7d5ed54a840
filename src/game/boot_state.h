// The first state of the program until the game's screens exist: it lets the start-up run its
// course and ends the program after one whole frame.
#pragma once

#include "framework/state_manager.h"

class TBootState : public TGameState {
 public:
  void Init() override {}
  void Cleanup() override {}
  void Pause() override {}
  void Resume() override {}
  void HandleEvents(TStateManager& manager) override { manager.Quit(); }
  void Update(TStateManager&) override {}
  void Draw(TStateManager&) override {}
};
