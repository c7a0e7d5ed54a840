// Hook chains: the table of chain heads and the id counter.
#include "system/hooks.h"

#include <array>

#include "runtime/runtime_error.h"

namespace {

constexpr int32_t kHookIds = 256;

// Constant-initialised: every chain starts empty without any start-up work.
std::array<std::shared_ptr<THook>, kHookIds> chains;
int32_t last_hook_id = -1;

bool IsHookId(int32_t id) {
  return id >= 0 && id < kHookIds;
}

}  // namespace

int32_t NewHookId() {
  if (last_hook_id >= kHookIds - 1) RuntimeError("Too many hook ids");
  return ++last_hook_id;
}

void AttachHook(int32_t id, THookFunction callback, TObjectRef context, int32_t priority) {
  if (!IsHookId(id)) RuntimeError("Invalid hook id");
  auto hook = std::make_shared<THook>();
  hook->priority = priority;
  hook->callback = callback;
  hook->context = std::move(context);

  std::shared_ptr<THook>* link = &chains[id];
  while (*link && (*link)->priority >= priority) link = &(*link)->next;
  hook->next = std::move(*link);
  *link = std::move(hook);
}

TObjectRef RunHookChain(int32_t id, TObjectRef data) {
  if (!IsHookId(id)) return data;
  // Holding the current hook keeps it, and through it the rest of the chain, alive while its
  // callback detaches it; its next link is read only after the call.
  std::shared_ptr<THook> hook = chains[id];
  while (hook) {
    data = hook->callback(id, std::move(data), hook->context);
    hook = hook->next;
  }
  return data;
}

void DetachHook(int32_t id, THookFunction callback) {
  if (!IsHookId(id)) return;
  std::shared_ptr<THook>* link = &chains[id];
  while (*link && (*link)->callback != callback) link = &(*link)->next;
  if (*link) *link = (*link)->next;
}
