// TNativeSystemDriver: the system driver over SDL2. It drains SDL's event queue, turns each
// event into window messages for the registered window procedures, and provides the clock,
// sleeping, the pointer, SDL's message boxes, and the desktop's file chooser and opener.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "system/system_driver.h"

class TNativeSystemDriver : public TSystemDriver {
 public:
  // Starts SDL's event subsystem, without SDL's own SIGINT and SIGTERM handlers, with text
  // input on. Raises a runtime error when SDL cannot start it.
  TNativeSystemDriver();
  ~TNativeSystemDriver() override;

  void Poll() override;
  void Wait() override;
  int32_t Clock() override;
  void Pause(int32_t ms) override;
  void SetPointerPos(int32_t x, int32_t y) override;
  void SetPointerVisible(int32_t visible) override;
  void Notice(const std::u16string& text, int32_t serious) override;
  int32_t AskOkCancel(const std::u16string& text, int32_t serious) override;
  int32_t AskYesNoCancel(const std::u16string& text, int32_t serious) override;
  // Through zenity when it is installed; "" when it is not or the user cancels. The filter is
  // "Name:ext,ext;Name:ext" or just "ext,ext".
  std::string ChooseFile(const std::u16string& title, const std::string& filter, int32_t save,
                         const std::string& path) override;
  std::string ChooseDirectory(const std::u16string& title, const std::string& path) override;
  // Through xdg-open; 0 when it is missing or fails.
  int32_t OpenDocument(const std::string& target) override;
};

// What a physical key reports on a Windows keyboard: virtual-key code (generic for shift,
// control and alt), set-1 scan code and extended flag. All zero for a key outside the standard
// 105 keys.
struct TNativeKey {
  int32_t key = 0;
  int32_t scanCode = 0;
  bool extended = false;
};
TNativeKey NativeKeyOfScancode(int32_t sdlScancode);

// The argument list a file or folder chooser runs with (zenity's), for a filter as above.
std::vector<std::string> ChooserArguments(const std::u16string& title, const std::string& filter,
                                          int32_t save, const std::string& path, bool directory);
