// Hook chains: 256 numbered chains of callbacks, ordered by priority, through which one module
// hands a value to every listener without knowing them.
#pragma once

#include <cstdint>
#include <memory>

#include "runtime/object.h"

// A listener: gets the chain's id, the value passed along the chain and its own context, and
// returns the value the next listener gets.
using THookFunction = TObjectRef (*)(int32_t id, TObjectRef data, TObjectRef context);

// One link of a chain.
class THook : public TObject {
 public:
  std::shared_ptr<THook> next;
  int32_t priority = 0;
  THookFunction callback = nullptr;
  TObjectRef context;
};

// The next unused id, 0 first; ids are never reused. Raises "Too many hook ids" past 255.
int32_t NewHookId();

// Links a new hook into chain id before the first hook of lower priority, so that higher
// priorities run first and equal priorities run in the order they were attached. Raises
// "Invalid hook id" for an id outside 0 to 255.
void AttachHook(int32_t id, THookFunction callback, TObjectRef context, int32_t priority);

// Calls every hook of chain id from the head, each getting the previous one's result, and
// returns the last result (data itself when the chain is empty or the id is not a chain).
TObjectRef RunHookChain(int32_t id, TObjectRef data);

// Unlinks the first hook of chain id whose callback is this function; nothing when none is.
void DetachHook(int32_t id, THookFunction callback);
