// Polled keyboard and pointer input: a listener on the event hook keeps the state of keys,
// buttons, pointer, typed characters and the application flags, and queries answer from it.
// Every query drains the system's queue first, so its answer is current.
#pragma once

#include <cstdint>

#include "runtime/object.h"

// Presses of key (a virtual-key code 1 to 255) since it was last read or flushed; reading resets
// the count. Codes outside 0 to 255 answer 0.
int32_t KeyHitCount(int32_t key);
// 1 while key is held, else 0.
int32_t KeyIsDown(int32_t key);
// The next typed character code, or 0 when none is waiting.
int32_t NextTypedChar();
// Forgets held keys, key hits and waiting characters.
void FlushInput();

// The same for pointer buttons 1 left, 2 right, 3 middle; numbers outside 0 to 3 answer 0.
int32_t ButtonHitCount(int32_t button);
int32_t ButtonIsDown(int32_t button);
// Pointer position from the last "MouseMove", and the sum of wheel steps.
int32_t PointerX();
int32_t PointerY();
int32_t WheelPosition();
// Forgets held buttons, button hits and the wheel position; the pointer position stays.
void FlushPointerInput();

// 1 while the application has lost activation.
int32_t AppIsSuspended();
// 1 when a close was requested since the last call.
int32_t TerminateRequested();

// Flush, then wait for the first key press and return its code (the lowest among keys pressed
// in one drain). These return 0 when waiting cannot end: called from inside an event listener,
// or with no system driver.
int32_t WaitAnyKey();
int32_t WaitTypedChar();
int32_t WaitAnyButton();

// Starts listening to events from source (null: every source), with all state flushed. Nothing
// when already listening.
void EnableInputPolling(TObjectRef source);
// Stops listening and flushes; queries then answer from the frozen state.
void DisableInputPolling();
