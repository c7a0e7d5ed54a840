// The message translator: window messages to events, modifier keys, pointer enter and leave.
#include "system/message_translator.h"

#include "system/event.h"

int32_t ModifierState = 0;

namespace {

constexpr int32_t kKeyShift = 16, kKeyControl = 17, kKeyAlt = 18;
constexpr int32_t kKeyLeftWin = 91, kKeyRightWin = 92;
constexpr int32_t kWheelStep = 120;

// The window the pointer is in (0 for none) and its event source.
uint32_t tracked_window = 0;
TObjectRef tracked_source;

void Announce(int32_t id, const TObjectRef& source, int32_t data, int32_t mods, int32_t x,
              int32_t y) {
  DispatchEvent(MakeEvent(id, source, data, mods, x, y, nullptr));
}

// Moves the tracking to window (0 for none), announcing the leave of the old window and the
// enter of the new one. NOTE: the leave carries (x, y), the position in the message's window;
// the platform reports pointer motion and leaving to the window the pointer was in, so that is
// the tracked window whenever a leave is due.
void TrackPointer(uint32_t window, int32_t x, int32_t y, const TObjectRef& source) {
  if (window == tracked_window) return;
  if (tracked_window != 0) {
    TObjectRef left = std::move(tracked_source);
    tracked_window = 0;
    Announce(kEventMouseLeave, left, 0, 0, x, y);
  }
  tracked_window = window;
  if (window != 0) {
    tracked_source = source;
    Announce(kEventMouseEnter, source, 0, 0, x, y);
  }
}

bool IsKeyCode(int32_t key) {
  return key > 0 && key <= 255;
}

}  // namespace

int32_t KeyCodeOf(const TWindowMessage& message) {
  switch (message.extended * 128 + message.scanCode) {
    case 42:
      return 160;  // left shift
    case 54:
      return 161;  // right shift
    case 29:
      return 162;  // left control
    case 157:
      return 163;  // right control
    case 56:
      return 164;  // left alt
    case 184:
      return 165;  // right alt
    default:
      return message.key;
  }
}

void TrackModifierKeys(const TWindowMessage& message) {
  if (message.kind != kMessageKeyDown && message.kind != kMessageKeyUp) return;
  switch (message.key) {
    case kKeyShift:
    case kKeyControl:
    case kKeyAlt:
    case kKeyLeftWin:
    case kKeyRightWin:
      ModifierState = message.modifiers & (kModShift | kModControl | kModAlt | kModSystem);
      break;
    default:
      break;
  }
}

void ForgetPointerWindow(uint32_t window) {
  if (window == 0 || window != tracked_window) return;
  tracked_window = 0;
  tracked_source = nullptr;
}

void TranslateWindowMessage(const TWindowMessage& message, const TObjectRef& source) {
  const int32_t mods = ModifierState;
  switch (message.kind) {
    case kMessageClose:
      Announce(kEventAppTerminate, source, 0, mods, 0, 0);
      break;
    case kMessageActivate:
      Announce(message.active ? kEventAppResume : kEventAppSuspend, source, 0, mods, 0, 0);
      break;
    case kMessageKeyDown: {
      // Held keys announce one press: auto-repeats never become events.
      if (message.repeat || !IsKeyCode(message.key)) break;
      Announce(kEventKeyDown, source, KeyCodeOf(message), mods, 0, 0);
      break;
    }
    case kMessageKeyUp:
      if (!IsKeyCode(message.key)) break;
      Announce(kEventKeyUp, source, KeyCodeOf(message), mods, 0, 0);
      break;
    case kMessageChar:
      Announce(kEventKeyChar, source, message.character, mods, 0, 0);
      break;
    case kMessagePointerMove: {
      bool inside = message.x >= 0 && message.x < message.clientWidth && message.y >= 0 &&
                    message.y < message.clientHeight;
      TrackPointer(inside ? message.window : 0, message.x, message.y, source);
      Announce(kEventMouseMove, source, 0, mods, message.x, message.y);
      break;
    }
    case kMessageButtonDown:
    case kMessageButtonUp:
      if (message.button < 1 || message.button > 3) break;
      Announce(message.kind == kMessageButtonDown ? kEventMouseDown : kEventMouseUp, source,
               message.button, mods, message.x, message.y);
      break;
    case kMessageWheel:
      Announce(kEventMouseWheel, source, message.wheelDelta / kWheelStep, mods, 0, 0);
      break;
    case kMessagePointerLeave:
      if (message.window != 0 && message.window == tracked_window) {
        TrackPointer(0, message.x, message.y, nullptr);
      }
      break;
    case kMessageNone:
      break;
  }
}
