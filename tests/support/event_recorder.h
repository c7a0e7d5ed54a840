// Records every event announced on the event hook while it lives (one recorder at a time).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "system/event.h"

class TEventRecorder {
 public:
  // Listens at the given priority: above 0 it sees events before the polled-input listener.
  explicit TEventRecorder(int32_t priority = 1000);
  ~TEventRecorder();
  TEventRecorder(const TEventRecorder&) = delete;
  TEventRecorder& operator=(const TEventRecorder&) = delete;

  const std::vector<TEventRef>& Events() const;
  // The text forms of the recorded events, one per line, for compact comparisons.
  std::string Texts() const;
  void Clear();

 private:
  std::shared_ptr<class TEventLog> log_;
};
