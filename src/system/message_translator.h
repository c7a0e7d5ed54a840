// The message translator: turns window messages into events and announces them at once, and
// keeps the keyboard's modifier state and the window the pointer is in.
#pragma once

#include <cstdint>

#include "runtime/object.h"
#include "system/window_message.h"

// Modifier bits (1 shift, 2 control, 4 alt, 8 system) stamped on every translated event.
extern int32_t ModifierState;

// Called by a window's procedure with every message it receives, before its own handling.
// Announces zero or one event (up to three with pointer enter and leave); never consumes the
// message. source is the event source for this window (null for the graphics window).
void TranslateWindowMessage(const TWindowMessage& message, const TObjectRef& source);

// The key code a key message reports: its virtual-key code, except that shift, control and alt
// are side-specific by their scan code (160 to 165).
int32_t KeyCodeOf(const TWindowMessage& message);

// Run on every message taken from the platform's queue, before it reaches a window: a press or
// release of a modifier key refreshes ModifierState from the message's keyboard state.
void TrackModifierKeys(const TWindowMessage& message);

// The window is going away: stop tracking the pointer in it, without a "MouseLeave".
void ForgetPointerWindow(uint32_t window);
