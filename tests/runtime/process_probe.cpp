// A program for the process tests: starts the process as the game does, then does what its
// first argument says.
#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>

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
      volatile int* nowhere = nullptr;
      *nowhere = 1;
    } else if (mode == "overflow") {
      return Deep(0);
    } else if (mode == "term") {
      std::raise(SIGTERM);
    }
    return 0;
  });
}
