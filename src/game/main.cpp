// The game's entry point.
#include "runtime/module_init.h"
#include "runtime/process.h"

int main(int argc, char** argv) {
  StartProcess(argc, argv);
  return RunMain([] {
    InitRuntime();
    return 0;
  });
}
