// TWindowMessage: the platform-neutral record of one message to a program window, which the
// platform adapter fills and the message translator turns into events.
#pragma once

#include <cstdint>

enum TWindowMessageKind : int32_t {
  kMessageNone = 0,
  kMessageClose,         // the user asks to close the window
  kMessageActivate,      // the application gained (active 1) or lost (active 0) activation
  kMessageKeyDown,       // key, scanCode, extended, repeat
  kMessageKeyUp,         // key, scanCode, extended
  kMessageChar,          // character
  kMessagePointerMove,   // x, y, clientWidth, clientHeight
  kMessageButtonDown,    // button 1 left, 2 right, 3 middle; x, y
  kMessageButtonUp,      // button; x, y
  kMessageWheel,         // wheelDelta in steps of 120 per notch, positive away from the user
  kMessagePointerLeave,  // the pointer left the window; x, y its last client position
};

struct TWindowMessage {
  TWindowMessageKind kind = kMessageNone;
  uint32_t window = 0;  // the target window's id; 0 is no window
  // Keys: the Windows virtual-key code (generic 16, 17, 18 for shift, control and alt), the
  // set-1 scan code and its extended (E0) flag, and whether the press is an auto-repeat.
  int32_t key = 0;
  int32_t scanCode = 0;
  bool extended = false;
  bool repeat = false;
  // The keyboard's modifier bits (1 shift, 2 control, 4 alt, 8 system) as this key left them.
  int32_t modifiers = 0;
  int32_t character = 0;
  int32_t active = 0;
  int32_t button = 0;
  int32_t wheelDelta = 0;
  // Pointer position in the window's client area and the client area's size.
  int32_t x = 0;
  int32_t y = 0;
  int32_t clientWidth = 0;
  int32_t clientHeight = 0;
};
