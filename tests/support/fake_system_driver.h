// A system driver for tests: a clock the test sets, sleeps that advance it, and a queue of
// platform-neutral window messages that Poll hands to the registered window procedures.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

#include "runtime/object.h"
#include "system/system_driver.h"
#include "system/window_message.h"

class TFakeSystemDriver : public TSystemDriver {
 public:
  // Drains the queue the way the native driver drains the platform's: each message goes
  // through DeliverWindowMessage, so unregistered windows get default handling.
  void Poll() override;
  // Runs onWait first when nothing is queued (a test's way to let input arrive "later");
  // raises a runtime error rather than block forever when still nothing is.
  void Wait() override;
  int32_t Clock() override { return now; }
  void Pause(int32_t ms) override { now += ms; }
  void SetPointerPos(int32_t x, int32_t y) override {}
  void SetPointerVisible(int32_t visible) override {}
  void Notice(const std::u16string&, int32_t) override {}
  int32_t AskOkCancel(const std::u16string&, int32_t) override { return 0; }
  int32_t AskYesNoCancel(const std::u16string&, int32_t) override { return -1; }
  std::string ChooseFile(const std::u16string&, const std::string&, int32_t,
                         const std::string&) override {
    return "";
  }
  std::string ChooseDirectory(const std::u16string&, const std::string&) override { return ""; }
  int32_t OpenDocument(const std::string&) override { return 0; }

  // Queues a message for the next Poll.
  void Post(const TWindowMessage& message) { messages.push_back(message); }

  int32_t now = 0;
  int polls = 0;
  std::deque<TWindowMessage> messages;
  std::function<void()> onWait;
};

// Makes a fresh fake the current system driver and returns it.
std::shared_ptr<TFakeSystemDriver> InstallFakeSystemDriver(int32_t now = 0);

// Registers a window procedure for window that only translates its messages into events with
// the given source, as a program window's procedure does.
void RegisterTranslatingWindow(uint32_t window, TObjectRef source = nullptr);
