// A program for the process tests: starts the process as the game does, then does what its
// first argument says.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "runtime/process.h"
#include "runtime/runtime_error.h"

namespace {

// Recurses until the stack runs out; the array and the use after the call defeat tail calls.
int Deep(int n) {
  if (n == -1) return 0;  // never: keeps the compiler from calling this a certain loop
  volatile char frame[4096];
  frame[0] = static_cast<char>(n);
  return Deep(n + 1) + frame[0];
}

// A store through a null pointer, left to the memory fault it is meant to cause: UBSan would
// report it and end the process before the fault handler runs. The pointer is read back through
// a volatile, so the optimiser cannot see that it is null and drop the store or make it a trap.
__attribute__((noinline, no_sanitize("null"))) void WriteThroughNull() {
  int* volatile nowhere = nullptr;
  *static_cast<volatile int*>(nowhere) = 1;
}

void ExitAction() {
  std::printf("exit action ran\n");
  std::fflush(stdout);
}

// The frame loop of a program: a safe point now and then, for at most ten seconds.
void RunFrames() {
  for (int frame = 0; frame < 10000; ++frame) {
    RaisePendingSignal();
    usleep(1000);
  }
}

}  // namespace

int main(int argc, char** argv) {
  StartProcess(argc, argv);
  std::string mode = argc > 1 ? argv[1] : "";
  return RunMain([&] {
    if (mode == "where") {
      // Bare names must resolve next to the executable.
      std::ifstream asset("probe_asset.txt");
      std::string content;
      std::getline(asset, content);
      std::printf("dir=%s\nlaunch=%s\nasset=%s\n", AppDir().c_str(), LaunchDir().c_str(),
                  content.c_str());
    } else if (mode == "throw") {
      RuntimeError("Something went wrong");
    } else if (mode == "fault") {
      WriteThroughNull();
    } else if (mode == "overflow") {
      return Deep(0);
    } else if (mode == "thread-overflow") {
      std::thread([] {
        TThreadSignalStack stack;
        Deep(0);
      }).join();
    } else if (mode == "term" || mode == "int" || mode == "hup") {
      std::atexit(ExitAction);
      const int sig = mode == "term" ? SIGTERM : mode == "int" ? SIGINT : SIGHUP;
      // From another thread, as a signal may arrive on any thread.
      std::thread([sig] { kill(getpid(), sig); }).join();
      RunFrames();
    } else if (mode == "term-twice") {
      std::atexit(ExitAction);
      raise(SIGTERM);
      raise(SIGTERM);
      RunFrames();
    } else if (mode == "term-no-safe-point") {
      std::atexit(ExitAction);
      raise(SIGTERM);
      sleep(10);
    } else if (mode == "kill-segv") {
      kill(getpid(), SIGSEGV);
    } else if (mode == "abort") {
      std::abort();
    } else if (mode == "ill") {
      __builtin_trap();
    }
    return 0;
  });
}
