// TEvent: the record of one thing that happened (a key, the pointer, the application's state),
// its kinds and text form, and the event hook through which every event is announced.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "runtime/object.h"

// Event kinds; the high bits give the group (application 0x100, keyboard 0x200, pointer 0x400,
// timer 0x800, gadget 0x2000, window 0x4000, menu 0x8000).
enum TEventId : int32_t {
  kEventAppSuspend = 0x101,
  kEventAppResume = 0x102,
  kEventAppTerminate = 0x103,
  kEventAppOpenFile = 0x104,
  kEventKeyDown = 0x201,
  kEventKeyUp = 0x202,
  kEventKeyChar = 0x203,
  kEventMouseDown = 0x401,
  kEventMouseUp = 0x402,
  kEventMouseMove = 0x403,
  kEventMouseWheel = 0x404,
  kEventMouseEnter = 0x405,
  kEventMouseLeave = 0x406,
  kEventTimerTick = 0x801,
  kEventGadgetAction = 0x2001,
  kEventGadgetPaint = 0x2002,
  kEventGadgetSelect = 0x2003,
  kEventGadgetMenu = 0x2004,
  kEventGadgetOpen = 0x2005,
  kEventGadgetClose = 0x2006,
  kEventGadgetDone = 0x2007,
  kEventWindowMove = 0x4001,
  kEventWindowSize = 0x4002,
  kEventWindowClose = 0x4003,
  kEventWindowActivate = 0x4004,
  kEventWindowAccept = 0x4005,
  kEventMenuAction = 0x8001,
};

// Modifier bits of an event's mods.
enum TModifier : int32_t {
  kModShift = 1,
  kModControl = 2,
  kModAlt = 4,
  kModSystem = 8,
};

class TEvent : public TObject {
 public:
  // Announces this event on the event hook; the chain's result is ignored.
  void Dispatch();
  // A new event with the given fields.
  static std::shared_ptr<TEvent> Make(int32_t id, TObjectRef source, int32_t data, int32_t mods,
                                      int32_t x, int32_t y, TObjectRef extra);

  // "KeyDown: data=65, mods=0, x=0, y=0, extra=""" — the extra shows only when it is a string.
  std::u16string ToString() const override;

  int32_t id = 0;
  TObjectRef source;  // null for the graphics window
  int32_t data = 0;   // key code, character code, button, wheel steps or 0
  int32_t mods = 0;
  int32_t x = 0;
  int32_t y = 0;
  TObjectRef extra;
};

using TEventRef = std::shared_ptr<TEvent>;

// The kind's name ("KeyDown"), or "" for an id that is no kind.
std::u16string EventName(int32_t id);

TEventRef MakeEvent(int32_t id, TObjectRef source = nullptr, int32_t data = 0, int32_t mods = 0,
                    int32_t x = 0, int32_t y = 0, TObjectRef extra = nullptr);
void DispatchEvent(const TEventRef& event);

// The hook id every event is announced on; taken at system start-up, -1 before.
extern int32_t EventHookId;
