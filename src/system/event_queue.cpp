// The event queue: a ring of 256 events filled by its listener, with coalescing of the kinds
// that only ever matter in their latest state.
#include "system/event_queue.h"

#include <array>

#include "system/hooks.h"
#include "system/system_driver.h"

namespace {

constexpr uint32_t kQueueSize = 256;
constexpr int32_t kQueuePriority = -10000;

std::array<TEventRef, kQueueSize> ring;
uint32_t read_count = 0;
uint32_t write_count = 0;
TEventRef current;

TEventRef& Slot(uint32_t count) {
  return ring[count & (kQueueSize - 1)];
}

bool Coalesces(int32_t id) {
  return id == kEventTimerTick || id == kEventGadgetAction || id == kEventWindowMove ||
         id == kEventWindowSize;
}

TObjectRef QueueListener(int32_t, TObjectRef data, TObjectRef) {
  auto event = std::dynamic_pointer_cast<TEvent>(data);
  if (!event) return data;
  if (Coalesces(event->id)) {
    for (uint32_t i = read_count; i != write_count; ++i) {
      TEvent& queued = *Slot(i);
      if (queued.id == event->id && queued.source == event->source) {
        queued.data = event->data;
        queued.mods = event->mods;
        queued.x = event->x;
        queued.y = event->y;
        queued.extra = event->extra;
        return data;
      }
    }
  }
  if (write_count - read_count < kQueueSize) Slot(write_count++) = event;
  return data;
}

bool QueueEmpty() {
  return read_count == write_count;
}

TEventRef TakeOldest() {
  TEventRef event = std::move(Slot(read_count));
  ++read_count;
  return event;
}

}  // namespace

void InstallEventQueue() {
  AttachHook(EventHookId, QueueListener, nullptr, kQueuePriority);
}

TEventRef PeekQueuedEvent() {
  if (QueueEmpty()) PollSystem();
  return QueueEmpty() ? nullptr : Slot(read_count);
}

int32_t NextQueuedEvent() {
  if (QueueEmpty()) PollSystem();
  current = QueueEmpty() ? std::make_shared<TEvent>() : TakeOldest();
  return current->id;
}

int32_t WaitQueuedEvent() {
  // Inside a drain (a listener waiting) or without a driver no event can ever arrive.
  while (QueueEmpty() && !SystemPumpRunning() && CurrentSystemDriver()) WaitSystemEvents();
  return NextQueuedEvent();
}

void FlushQueuedEvents() {
  while (!QueueEmpty()) TakeOldest();
}

TEventRef CurrentEvent() {
  return current;
}
int32_t CurrentEventId() {
  return current ? current->id : 0;
}
int32_t CurrentEventData() {
  return current ? current->data : 0;
}
int32_t CurrentEventMods() {
  return current ? current->mods : 0;
}
int32_t CurrentEventX() {
  return current ? current->x : 0;
}
int32_t CurrentEventY() {
  return current ? current->y : 0;
}
TObjectRef CurrentEventExtra() {
  return current ? current->extra : nullptr;
}
std::u16string CurrentEventText() {
  auto s = current ? std::dynamic_pointer_cast<TStringObject>(current->extra) : nullptr;
  return s ? s->text : u"";
}
TObjectRef CurrentEventSource() {
  return current ? current->source : nullptr;
}
