// TEvent: making, announcing and describing events.
#include "system/event.h"

#include "runtime/text.h"
#include "system/hooks.h"

int32_t EventHookId = -1;

void TEvent::Dispatch() {
  RunHookChain(EventHookId, shared_from_this());
}

std::shared_ptr<TEvent> TEvent::Make(int32_t id, TObjectRef source, int32_t data, int32_t mods,
                                     int32_t x, int32_t y, TObjectRef extra) {
  auto event = std::make_shared<TEvent>();
  event->id = id;
  event->source = std::move(source);
  event->data = data;
  event->mods = mods;
  event->x = x;
  event->y = y;
  event->extra = std::move(extra);
  return event;
}

std::u16string EventName(int32_t id) {
  switch (id) {
    case kEventAppSuspend:
      return u"AppSuspend";
    case kEventAppResume:
      return u"AppResume";
    case kEventAppTerminate:
      return u"AppTerminate";
    case kEventAppOpenFile:
      return u"AppOpenFile";
    case kEventKeyDown:
      return u"KeyDown";
    case kEventKeyUp:
      return u"KeyUp";
    case kEventKeyChar:
      return u"KeyChar";
    case kEventMouseDown:
      return u"MouseDown";
    case kEventMouseUp:
      return u"MouseUp";
    case kEventMouseMove:
      return u"MouseMove";
    case kEventMouseWheel:
      return u"MouseWheel";
    case kEventMouseEnter:
      return u"MouseEnter";
    case kEventMouseLeave:
      return u"MouseLeave";
    case kEventTimerTick:
      return u"TimerTick";
    case kEventGadgetAction:
      return u"GadgetAction";
    case kEventGadgetPaint:
      return u"GadgetPaint";
    case kEventGadgetSelect:
      return u"GadgetSelect";
    case kEventGadgetMenu:
      return u"GadgetMenu";
    case kEventGadgetOpen:
      return u"GadgetOpen";
    case kEventGadgetClose:
      return u"GadgetClose";
    case kEventGadgetDone:
      return u"GadgetDone";
    case kEventWindowMove:
      return u"WindowMove";
    case kEventWindowSize:
      return u"WindowSize";
    case kEventWindowClose:
      return u"WindowClose";
    case kEventWindowActivate:
      return u"WindowActivate";
    case kEventWindowAccept:
      return u"WindowAccept";
    case kEventMenuAction:
      return u"MenuAction";
    default:
      return u"";
  }
}

std::u16string TEvent::ToString() const {
  std::u16string text = EventName(id);
  if (text.empty()) text = u"Unknown Event, id=" + IntText(id);
  text += u": data=" + IntText(data) + u", mods=" + IntText(mods) + u", x=" + IntText(x) + u", y=" +
          IntText(y) + u", extra=\"";
  if (auto s = std::dynamic_pointer_cast<TStringObject>(extra)) text += s->text;
  text += u"\"";
  return text;
}

TEventRef MakeEvent(int32_t id, TObjectRef source, int32_t data, int32_t mods, int32_t x, int32_t y,
                    TObjectRef extra) {
  return TEvent::Make(id, std::move(source), data, mods, x, y, std::move(extra));
}

void DispatchEvent(const TEventRef& event) {
  event->Dispatch();
}
