// Polled keyboard and pointer input: the state arrays, their listener and the queries.
#include "system/input.h"

#include <array>

#include "system/event.h"
#include "system/hooks.h"
#include "system/system_driver.h"

namespace {

constexpr int32_t kKeys = 256;
constexpr int32_t kButtons = 4;
constexpr uint32_t kRingSize = 256;

std::array<int32_t, kKeys> key_down{};
std::array<int32_t, kKeys> key_hits{};
std::array<int32_t, kButtons> button_down{};
std::array<int32_t, kButtons> button_hits{};
std::array<int32_t, 4> pointer_state{};  // x, y, wheel
std::array<int32_t, kRingSize> char_ring{};
uint32_t char_read = 0;
uint32_t char_write = 0;
int32_t app_suspended = 0;
int32_t terminate_requested = 0;
TObjectRef input_source;
bool polling_enabled = false;

bool IsKey(int32_t key) {
  return key >= 0 && key < kKeys;
}
bool IsButton(int32_t button) {
  return button >= 0 && button < kButtons;
}

// Counts transitions from up to down, so a second press without a release is not a hit.
void Press(int32_t* down, int32_t* hits, int32_t code) {
  if (down[code]) return;
  down[code] = 1;
  hits[code] += 1;
}

TObjectRef InputListener(int32_t, TObjectRef data, TObjectRef) {
  auto event = std::dynamic_pointer_cast<TEvent>(data);
  if (!event) return data;
  if (input_source && event->source != input_source) return data;
  const int32_t code = event->data;
  switch (event->id) {
    case kEventAppSuspend:
    case kEventAppResume:
      FlushInput();
      FlushPointerInput();
      app_suspended = event->id == kEventAppSuspend;
      break;
    case kEventAppTerminate:
      terminate_requested = 1;
      break;
    case kEventKeyDown:
      if (IsKey(code)) Press(key_down.data(), key_hits.data(), code);
      break;
    case kEventKeyUp:
      if (IsKey(code)) key_down[code] = 0;
      break;
    case kEventKeyChar:
      if (char_write - char_read < kRingSize) char_ring[char_write++ & (kRingSize - 1)] = code;
      break;
    case kEventMouseDown:
      if (IsButton(code)) Press(button_down.data(), button_hits.data(), code);
      break;
    case kEventMouseUp:
      if (IsButton(code)) button_down[code] = 0;
      break;
    case kEventMouseMove:
      pointer_state[0] = event->x;
      pointer_state[1] = event->y;
      break;
    case kEventMouseWheel:
      pointer_state[2] += code;
      break;
    default:
      break;
  }
  return data;
}

// Waiting is pointless inside a drain (the wait returns at once) or without a driver.
bool CanWait() {
  return !SystemPumpRunning() && CurrentSystemDriver();
}

}  // namespace

int32_t KeyHitCount(int32_t key) {
  PollSystem();
  if (!IsKey(key)) return 0;
  int32_t hits = key_hits[key];
  key_hits[key] = 0;
  return hits;
}

int32_t KeyIsDown(int32_t key) {
  PollSystem();
  return IsKey(key) ? key_down[key] : 0;
}

int32_t NextTypedChar() {
  PollSystem();
  if (char_read == char_write) return 0;
  return char_ring[char_read++ & (kRingSize - 1)];
}

void FlushInput() {
  PollSystem();
  char_read = char_write = 0;
  key_down.fill(0);
  key_hits.fill(0);
}

int32_t ButtonHitCount(int32_t button) {
  PollSystem();
  if (!IsButton(button)) return 0;
  int32_t hits = button_hits[button];
  button_hits[button] = 0;
  return hits;
}

int32_t ButtonIsDown(int32_t button) {
  PollSystem();
  return IsButton(button) ? button_down[button] : 0;
}

int32_t PointerX() {
  PollSystem();
  return pointer_state[0];
}

int32_t PointerY() {
  PollSystem();
  return pointer_state[1];
}

int32_t WheelPosition() {
  PollSystem();
  return pointer_state[2];
}

void FlushPointerInput() {
  PollSystem();
  button_down.fill(0);
  button_hits.fill(0);
  pointer_state[2] = 0;
}

int32_t AppIsSuspended() {
  PollSystem();
  return app_suspended;
}

int32_t TerminateRequested() {
  PollSystem();
  int32_t requested = terminate_requested;
  terminate_requested = 0;
  return requested;
}

int32_t WaitAnyKey() {
  FlushInput();
  while (CanWait()) {
    WaitSystemEvents();
    // Scans the state that one drain left, so the lowest code of that drain wins.
    for (int32_t key = 1; key < kKeys; ++key) {
      if (key_hits[key]) {
        key_hits[key] = 0;
        return key;
      }
    }
  }
  return 0;
}

int32_t WaitTypedChar() {
  FlushInput();
  while (CanWait()) {
    WaitSystemEvents();
    if (int32_t c = NextTypedChar()) return c;
  }
  return 0;
}

int32_t WaitAnyButton() {
  FlushPointerInput();
  while (CanWait()) {
    WaitSystemEvents();
    for (int32_t button = 1; button < kButtons; ++button) {
      if (button_hits[button]) {
        button_hits[button] = 0;
        return button;
      }
    }
  }
  return 0;
}

void EnableInputPolling(TObjectRef source) {
  if (polling_enabled) return;
  input_source = std::move(source);
  FlushInput();
  FlushPointerInput();
  AttachHook(EventHookId, InputListener, nullptr, 0);
  polling_enabled = true;
}

void DisableInputPolling() {
  if (!polling_enabled) return;
  DetachHook(EventHookId, InputListener);
  FlushInput();
  FlushPointerInput();
  input_source = nullptr;
  polling_enabled = false;
}
