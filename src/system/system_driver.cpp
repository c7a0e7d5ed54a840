#include "system/system_driver.h"

#include <ctime>

#include "runtime/process.h"
#include "runtime/runtime_error.h"
#include "runtime/text.h"

void TSystemDriver::Poll() {
  AbstractMethod();
}
void TSystemDriver::Wait() {
  AbstractMethod();
}
int32_t TSystemDriver::Clock() {
  AbstractMethod();
}
void TSystemDriver::Pause(int32_t) {
  AbstractMethod();
}
void TSystemDriver::SetPointerPos(int32_t, int32_t) {
  AbstractMethod();
}
void TSystemDriver::SetPointerVisible(int32_t) {
  AbstractMethod();
}
void TSystemDriver::Notice(const std::u16string&, int32_t) {
  AbstractMethod();
}
int32_t TSystemDriver::AskOkCancel(const std::u16string&, int32_t) {
  AbstractMethod();
}
int32_t TSystemDriver::AskYesNoCancel(const std::u16string&, int32_t) {
  AbstractMethod();
}
std::string TSystemDriver::ChooseFile(const std::u16string&, const std::string&, int32_t,
                                      const std::string&) {
  AbstractMethod();
}
std::string TSystemDriver::ChooseDirectory(const std::u16string&, const std::string&) {
  AbstractMethod();
}
int32_t TSystemDriver::OpenDocument(const std::string&) {
  AbstractMethod();
}

namespace {

std::shared_ptr<TSystemDriver> current_driver;
bool pumping = false;

// Clears the re-entrancy flag however the drain ends, a listener's runtime error included.
struct PumpGuard {
  PumpGuard() { pumping = true; }
  ~PumpGuard() { pumping = false; }
};

std::u16string FormatNow(const char* format) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char buffer[256];
  size_t n = std::strftime(buffer, sizeof buffer, format, &local);
  return ToText(std::string(buffer, n));
}

}  // namespace

void SetSystemDriver(std::shared_ptr<TSystemDriver> driver) {
  current_driver = std::move(driver);
}
const std::shared_ptr<TSystemDriver>& CurrentSystemDriver() {
  return current_driver;
}

// The pump is the safe point where SIGTERM, SIGINT and SIGHUP become "Received Signal": every
// frame reaches it through the input queries. Only the outermost call raises it, so that it
// never starts inside an event listener.
void PollSystem() {
  if (pumping) return;
  RaisePendingSignal();
  if (!current_driver) return;
  {
    PumpGuard guard;
    current_driver->Poll();
  }
  RaisePendingSignal();
}

void WaitSystemEvents() {
  if (pumping) return;
  RaisePendingSignal();
  if (!current_driver) return;
  {
    PumpGuard guard;
    current_driver->Wait();
  }
  RaisePendingSignal();
}

bool SystemPumpRunning() {
  return pumping;
}

int32_t Milliseconds() {
  return current_driver->Clock();
}
void PauseMilliseconds(int32_t ms) {
  RaisePendingSignal();
  current_driver->Pause(ms);
  RaisePendingSignal();
}
void SetPointerPosition(int32_t x, int32_t y) {
  current_driver->SetPointerPos(x, y);
}
void ShowPointer() {
  current_driver->SetPointerVisible(1);
}
void HidePointer() {
  current_driver->SetPointerVisible(0);
}
void ShowNotice(const std::u16string& text, int32_t serious) {
  current_driver->Notice(text, serious);
}
int32_t AskOkCancel(const std::u16string& text, int32_t serious) {
  return current_driver->AskOkCancel(text, serious);
}
int32_t AskYesNoCancel(const std::u16string& text, int32_t serious) {
  return current_driver->AskYesNoCancel(text, serious);
}
std::string ChooseFile(const std::u16string& title, const std::string& filter, int32_t save,
                       const std::string& path) {
  return current_driver->ChooseFile(title, filter, save, path);
}
std::string ChooseDirectory(const std::u16string& title, const std::string& path) {
  return current_driver->ChooseDirectory(title, path);
}
int32_t OpenDocument(const std::string& target) {
  return current_driver->OpenDocument(target);
}
std::u16string DateText() {
  return FormatNow("%d %b %Y");
}
std::u16string TimeText() {
  return FormatNow("%H:%M:%S");
}
