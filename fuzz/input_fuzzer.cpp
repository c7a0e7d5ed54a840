// Fuzzes the input path: the bytes are read as a sequence of window messages, which go through
// TranslateWindowMessage (directly, or queued on the fake system driver and drained by a query)
// into the polled input state and the event queue; each record also picks one query.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "runtime/object.h"
#include "support/fake_system_driver.h"
#include "system/event_queue.h"
#include "system/input.h"
#include "system/message_translator.h"
#include "system/system_driver.h"
#include "system/system_module.h"
#include "system/window_registry.h"

namespace {

// Window 1 is the graphics window (source null), 2 a window with its own source, 3 a window
// nobody registered (default handling), 0 no window.
constexpr uint32_t kWindows = 4;

std::shared_ptr<TFakeSystemDriver> driver;

// One record on the wire.
constexpr size_t kRecordBytes = 24;

int32_t Int16At(const uint8_t* p) {
  return static_cast<int16_t>(static_cast<uint16_t>(p[0] | p[1] << 8));
}

int32_t Int32At(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return static_cast<int32_t>(v);
}

// Byte 0: the kind in the low four bits (values past the last kind included), repeat (bit 4),
// extended (bit 5), and the route in bits 6 and 7: 1 queues the message on the fake driver for
// the next poll, 2 delivers it through the window registry at once, 0 and 3 translate it at
// once as a message of the graphics window.
TWindowMessage Decode(const uint8_t* r) {
  TWindowMessage m;
  m.kind = static_cast<TWindowMessageKind>(r[0] & 15);
  m.repeat = (r[0] & 16) != 0;
  m.extended = (r[0] & 32) != 0;
  m.window = r[1] % kWindows;
  m.key = Int16At(r + 2);
  m.scanCode = Int16At(r + 4);
  m.modifiers = r[6];
  m.character = Int32At(r + 7);
  m.active = r[11];
  m.button = static_cast<int8_t>(r[12]);
  m.wheelDelta = Int16At(r + 13);
  m.x = Int16At(r + 15);
  m.y = Int16At(r + 17);
  m.clientWidth = Int16At(r + 19);
  m.clientHeight = r[21] * 8;
  return m;
}

// Byte 22 picks a query; its arguments come from the message so that they reach the codes the
// message just touched as well as codes outside every array.
void Query(uint8_t which, const TWindowMessage& m) {
  volatile int32_t sink = 0;
  switch (which % 20) {
    case 0:
      sink = KeyHitCount(m.key);
      break;
    case 1:
      sink = KeyIsDown(m.key);
      break;
    case 2:
      sink = NextTypedChar();
      break;
    case 3:
      sink = ButtonHitCount(m.button);
      break;
    case 4:
      sink = ButtonIsDown(m.button);
      break;
    case 5:
      sink = PointerX() + PointerY() + WheelPosition();
      break;
    case 6:
      sink = AppIsSuspended() + TerminateRequested();
      break;
    case 7:
      sink = NextQueuedEvent() + CurrentEventData() + CurrentEventMods() + CurrentEventX() +
             CurrentEventY() + static_cast<int32_t>(CurrentEventText().size());
      break;
    case 8:
      sink = PeekQueuedEvent() != nullptr;
      break;
    case 9:
      FlushInput();
      break;
    case 10:
      FlushPointerInput();
      break;
    case 11:
      FlushQueuedEvents();
      break;
    case 12:
      ForgetPointerWindow(m.window);
      break;
    case 13:
      DisableInputPolling();
      break;
    case 14:
      EnableInputPolling(nullptr);
      break;
    default:
      break;  // most records query nothing, so messages pile up between reads
  }
  (void)sink;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  InitSystem();
  driver = InstallFakeSystemDriver();
  RegisterTranslatingWindow(1);
  RegisterTranslatingWindow(2, MakeStringObject(u"other window"));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  EnableInputPolling(nullptr);
  for (size_t at = 0; at + kRecordBytes <= size; at += kRecordBytes) {
    const uint8_t* r = data + at;
    const TWindowMessage m = Decode(r);
    const int route = r[0] >> 6;
    if (route == 1) {
      driver->Post(m);
    } else if (route == 2) {
      DeliverWindowMessage(m);
    } else {
      TrackModifierKeys(m);
      TranslateWindowMessage(m, nullptr);
    }
    Query(r[22], m);
  }
  // Drain what is still queued, then leave nothing behind for the next input.
  PollSystem();
  DisableInputPolling();
  FlushQueuedEvents();
  TerminateRequested();
  for (uint32_t w = 0; w < kWindows; ++w) ForgetPointerWindow(w);
  ModifierState = 0;
  return 0;
}
