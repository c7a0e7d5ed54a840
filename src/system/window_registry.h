// The window registry: which procedure handles the messages of which window. The display
// driver registers each window it opens; messages for other windows get default handling.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "system/window_message.h"

using TWindowProc = std::function<void(const TWindowMessage& message)>;

// Makes proc the procedure of window (an id other than 0), replacing any earlier one.
void RegisterWindowProc(uint32_t window, TWindowProc proc);
// The window has no procedure any more; the pointer is no longer tracked in it.
void UnregisterWindowProc(uint32_t window);

// The windows that have a procedure, in the order they got it.
std::vector<uint32_t> RegisteredWindows();

// What the system driver does with each message it takes from the platform: modifier keys
// first, then the procedure of the message's window. Returns false when no procedure is
// registered for it: the message then gets default handling, which produces no event.
bool DeliverWindowMessage(const TWindowMessage& message);
