#include "runtime/module_init.h"

#include "runtime/stream.h"

void InitRuntime() {
  static bool done = false;
  if (!FirstInit(done)) return;
  InitStreams();
}
