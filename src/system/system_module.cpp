// Start-up of the system module.
#include "system/system_module.h"

#include <memory>

#include "runtime/module_init.h"
#include "system/event.h"
#include "system/event_queue.h"
#include "system/hooks.h"
#include "system/sdl_system_driver.h"
#include "system/system_driver.h"

void InitSystem() {
  static bool done = false;
  if (!FirstInit(done)) return;
  InitRuntime();
  // The chain heads need no start-up: they are empty until the first hook is attached.
  EventHookId = NewHookId();
  InstallEventQueue();
  SetSystemDriver(std::make_shared<TNativeSystemDriver>());
}
