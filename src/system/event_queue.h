// The event queue: the last listener on the event hook, keeping announced events for programs
// that read events one by one instead of polling state.
#pragma once

#include <cstdint>
#include <string>

#include "system/event.h"

// Attaches the queue's listener to the event hook at priority -10000, after every other
// listener. Done once at system start-up.
void InstallEventQueue();

// The oldest queued event without removing it, or null; polls once first when none is queued.
TEventRef PeekQueuedEvent();
// Removes the oldest queued event, makes it the current event and returns its id; polls once
// first when none is queued. When still none is, the current event becomes a blank one and the
// result is 0.
int32_t NextQueuedEvent();
// Waits for system events until one is queued, then as NextQueuedEvent.
int32_t WaitQueuedEvent();
// Drops every queued event.
void FlushQueuedEvents();

// The current event and its fields (0, null and "" before any was taken).
TEventRef CurrentEvent();
int32_t CurrentEventId();
int32_t CurrentEventData();
int32_t CurrentEventMods();
int32_t CurrentEventX();
int32_t CurrentEventY();
TObjectRef CurrentEventExtra();
// The extra as text when it is a string, else "".
std::u16string CurrentEventText();
TObjectRef CurrentEventSource();
