// The system driver: the program's one door to the operating system's message queue, clock,
// pointer and dialogs, and the module-level functions that forward to the current driver.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "runtime/object.h"

class TSystemDriver : public TObject {
 public:
  // Drains every pending window message.
  virtual void Poll();
  // Blocks until a message or input is pending, then polls.
  virtual void Wait();
  // Milliseconds since the system started: 32 bits, wrapping.
  virtual int32_t Clock();
  virtual void Pause(int32_t ms);
  virtual void SetPointerPos(int32_t x, int32_t y);
  virtual void SetPointerVisible(int32_t visible);
  virtual void Notice(const std::u16string& text, int32_t serious);
  virtual int32_t AskOkCancel(const std::u16string& text, int32_t serious);
  virtual int32_t AskYesNoCancel(const std::u16string& text, int32_t serious);
  virtual std::string ChooseFile(const std::u16string& title, const std::string& filter,
                                 int32_t save, const std::string& path);
  virtual std::string ChooseDirectory(const std::u16string& title, const std::string& path);
  virtual int32_t OpenDocument(const std::string& target);
};

// The current driver (created at start-up); replacing it is how tests put in a fake.
void SetSystemDriver(std::shared_ptr<TSystemDriver> driver);
const std::shared_ptr<TSystemDriver>& CurrentSystemDriver();

// Polls unless a poll or wait is already running on this thread (a listener inside a drain).
// Both, and PauseMilliseconds, are safe points: a SIGTERM, SIGINT or SIGHUP that has arrived
// is raised there as the runtime error "Received Signal" (see RaisePendingSignal).
void PollSystem();
void WaitSystemEvents();
// True while a poll or wait is draining on this thread: a wait started now would return at
// once, so loops that wait for input must not spin on it.
bool SystemPumpRunning();
int32_t Milliseconds();
void PauseMilliseconds(int32_t ms);
void SetPointerPosition(int32_t x, int32_t y);
void ShowPointer();
void HidePointer();
void ShowNotice(const std::u16string& text, int32_t serious = 0);
int32_t AskOkCancel(const std::u16string& text, int32_t serious = 0);
int32_t AskYesNoCancel(const std::u16string& text, int32_t serious = 0);
std::string ChooseFile(const std::u16string& title, const std::string& filter = "",
                       int32_t save = 0, const std::string& path = "");
std::string ChooseDirectory(const std::u16string& title, const std::string& path = "");
int32_t OpenDocument(const std::string& target);
// Local date as "%d %b %Y" and local time as "%H:%M:%S".
std::u16string DateText();
std::u16string TimeText();
