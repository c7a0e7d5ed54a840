#include "support/fake_system_driver.h"

void TFakeSystemDriver::Poll() { ++polls; }

std::shared_ptr<TFakeSystemDriver> InstallFakeSystemDriver(int32_t now) {
  auto driver = std::make_shared<TFakeSystemDriver>();
  driver->now = now;
  SetSystemDriver(driver);
  return driver;
}
