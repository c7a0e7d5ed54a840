#include "support/fake_system_driver.h"

#include "runtime/runtime_error.h"
#include "system/message_translator.h"
#include "system/window_registry.h"

void TFakeSystemDriver::Poll() {
  ++polls;
  while (!messages.empty()) {
    TWindowMessage message = messages.front();
    messages.pop_front();
    DeliverWindowMessage(message);
  }
}

void TFakeSystemDriver::Wait() {
  if (messages.empty() && onWait) onWait();
  if (messages.empty()) RuntimeError("The fake system driver would wait forever");
  Poll();
}

std::shared_ptr<TFakeSystemDriver> InstallFakeSystemDriver(int32_t now) {
  auto driver = std::make_shared<TFakeSystemDriver>();
  driver->now = now;
  SetSystemDriver(driver);
  return driver;
}

void RegisterTranslatingWindow(uint32_t window, TObjectRef source) {
  RegisterWindowProc(
      window, [source](const TWindowMessage& message) { TranslateWindowMessage(message, source); });
}
