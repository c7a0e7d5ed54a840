#include "framework/framework_module.h"

#include "runtime/module_init.h"

void InitFramework() {
  static bool done = false;
  if (!FirstInit(done)) return;
  InitRuntime();
}
