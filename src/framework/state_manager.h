// The game's screens: TGameState, and TStateManager, the stack that hands each frame to the
// screen on top and keeps the main loop running until a screen quits.
#pragma once

#include <cstdint>
#include <memory>

#include "runtime/list.h"
#include "runtime/object.h"

class TStateManager;

class TGameState : public TObject {
 public:
  virtual void Init();
  virtual void Cleanup();
  virtual void Pause();
  virtual void Resume();
  virtual void HandleEvents(TStateManager& manager);
  virtual void Update(TStateManager& manager);
  virtual void Draw(TStateManager& manager);
  void ChangeState(TStateManager& manager, std::shared_ptr<TGameState> state);
};

class TStateManager : public TObject {
 public:
  TStateManager();

  // Cleans up every state from the bottom to the top and drops the stack for good.
  void CleanupAll();
  void ChangeState(std::shared_ptr<TGameState> state);
  void PushState(std::shared_ptr<TGameState> state);
  void PopState();
  void HandleEvents();
  void Update();
  void Draw();
  int32_t IsRunning() const { return running; }
  void Quit() { running = 0; }

  // The state on top, or null when the stack is empty.
  std::shared_ptr<TGameState> Top() const;

  int32_t running = 1;
  std::unique_ptr<TList<TGameState>> states;
};
