// The window registry: a small table from window ids to window procedures.
#include "system/window_registry.h"

#include <memory>
#include <utility>
#include <vector>

#include "system/message_translator.h"

namespace {

// Made on first use, so that nothing runs before start-up.
std::vector<std::pair<uint32_t, std::shared_ptr<TWindowProc>>>& Procs() {
  static auto* procs = new std::vector<std::pair<uint32_t, std::shared_ptr<TWindowProc>>>();
  return *procs;
}

}  // namespace

void RegisterWindowProc(uint32_t window, TWindowProc proc) {
  if (window == 0) return;
  auto shared = std::make_shared<TWindowProc>(std::move(proc));
  for (auto& entry : Procs()) {
    if (entry.first == window) {
      entry.second = std::move(shared);
      return;
    }
  }
  Procs().emplace_back(window, std::move(shared));
}

void UnregisterWindowProc(uint32_t window) {
  auto& procs = Procs();
  for (auto it = procs.begin(); it != procs.end(); ++it) {
    if (it->first == window) {
      procs.erase(it);
      break;
    }
  }
  ForgetPointerWindow(window);
}

std::vector<uint32_t> RegisteredWindows() {
  std::vector<uint32_t> windows;
  for (const auto& entry : Procs()) windows.push_back(entry.first);
  return windows;
}

bool DeliverWindowMessage(const TWindowMessage& message) {
  TrackModifierKeys(message);
  std::shared_ptr<TWindowProc> proc;
  for (auto& entry : Procs()) {
    if (entry.first == message.window) proc = entry.second;
  }
  if (!proc) return false;
  // The held reference keeps the procedure alive when it unregisters its own window.
  (*proc)(message);
  return true;
}
