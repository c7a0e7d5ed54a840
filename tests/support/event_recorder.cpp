#include "support/event_recorder.h"

#include "runtime/text.h"
#include "system/hooks.h"

class TEventLog : public TObject {
 public:
  std::vector<TEventRef> events;
};

namespace {

TObjectRef Record(int32_t, TObjectRef data, TObjectRef context) {
  if (auto event = std::dynamic_pointer_cast<TEvent>(data)) {
    std::static_pointer_cast<TEventLog>(context)->events.push_back(event);
  }
  return data;
}

}  // namespace

TEventRecorder::TEventRecorder(int32_t priority) : log_(std::make_shared<TEventLog>()) {
  AttachHook(EventHookId, Record, log_, priority);
}

TEventRecorder::~TEventRecorder() {
  DetachHook(EventHookId, Record);
}

const std::vector<TEventRef>& TEventRecorder::Events() const {
  return log_->events;
}

std::string TEventRecorder::Texts() const {
  std::string text;
  for (const TEventRef& e : log_->events) text += ToUtf8(e->ToString()) + "\n";
  return text;
}

void TEventRecorder::Clear() {
  log_->events.clear();
}
