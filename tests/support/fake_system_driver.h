// A system driver for tests: a clock the test sets, sleeps that advance it, and a queue of
// platform-neutral window messages that Poll hands to the translator.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>

#include "system/system_driver.h"

class TFakeSystemDriver : public TSystemDriver {
 public:
  void Poll() override;
  void Wait() override { Poll(); }
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

  int32_t now = 0;
  int polls = 0;
};

// Makes a fresh fake the current system driver and returns it.
std::shared_ptr<TFakeSystemDriver> InstallFakeSystemDriver(int32_t now = 0);
