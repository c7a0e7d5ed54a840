#include "framework/state_manager.h"

#include "runtime/runtime_error.h"

void TGameState::Init() {
  AbstractMethod();
}
void TGameState::Cleanup() {
  AbstractMethod();
}
void TGameState::Pause() {
  AbstractMethod();
}
void TGameState::Resume() {
  AbstractMethod();
}
void TGameState::HandleEvents(TStateManager&) {
  AbstractMethod();
}
void TGameState::Update(TStateManager&) {
  AbstractMethod();
}
void TGameState::Draw(TStateManager&) {
  AbstractMethod();
}

void TGameState::ChangeState(TStateManager& manager, std::shared_ptr<TGameState> state) {
  manager.ChangeState(std::move(state));
}

namespace {

// Takes the top out of the stack: the last link holding that very object, whatever its Compare.
void RemoveTop(TList<TGameState>& states, const TGameState* top) {
  for (auto* link = states.LastLink(); link; link = link->PrevLink()) {
    if (link->Value().get() == top) {
      states.RemoveLink(link);
      return;
    }
  }
}

}  // namespace

TStateManager::TStateManager() : states(std::make_unique<TList<TGameState>>()) {}

std::shared_ptr<TGameState> TStateManager::Top() const {
  return states ? states->Last() : nullptr;
}

void TStateManager::CleanupAll() {
  if (!states) return;
  for (auto state : *states) {
    if (state) state->Cleanup();
  }
  states.reset();
}

// NOTE: each operation below holds the state it calls in a local reference. A state that
// replaces itself from inside HandleEvents leaves the stack, but stays alive until its own
// call has returned.

void TStateManager::ChangeState(std::shared_ptr<TGameState> state) {
  if (!states) return;
  if (auto top = Top()) {
    top->Cleanup();
    RemoveTop(*states, top.get());
  }
  state->Init();
  states->AddLast(std::move(state));
}

void TStateManager::PushState(std::shared_ptr<TGameState> state) {
  if (!states) return;
  if (auto top = Top()) top->Pause();
  state->Init();
  states->AddLast(std::move(state));
}

void TStateManager::PopState() {
  if (!states) return;
  auto top = Top();
  if (!top) return;
  top->Cleanup();
  RemoveTop(*states, top.get());
  top.reset();
  if (auto next = Top()) next->Resume();
}

void TStateManager::HandleEvents() {
  if (auto top = Top()) top->HandleEvents(*this);
}

void TStateManager::Update() {
  if (auto top = Top()) top->Update(*this);
}

void TStateManager::Draw() {
  if (auto top = Top()) top->Draw(*this);
}
