#include "framework/framework_module.h"

#include "runtime/module_init.h"
#include "system/system_module.h"

void InitFramework() {
  static bool done = false;
  if (!FirstInit(done)) return;
  InitRuntime();
  InitSystem();  // timers read its clock
}
