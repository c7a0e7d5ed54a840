#include "runtime/process.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "runtime/runtime_error.h"

namespace {

std::string app_file;
std::string app_dir;
std::string launch_dir;
std::vector<std::string> app_args;

std::string Slashes(std::string s) {
  std::replace(s.begin(), s.end(), '\\', '/');
  return s;
}

// Only async-signal-safe calls from here on: write and _exit.
void WriteAll(const char* text) {
  size_t left = std::strlen(text);
  while (left > 0) {
    ssize_t n = write(STDERR_FILENO, text, left);
    if (n <= 0) break;
    text += n;
    left -= static_cast<size_t>(n);
  }
}

extern "C" void OnFatalSignal(int sig) {
  const bool fault = sig == SIGSEGV || sig == SIGBUS || sig == SIGFPE;
  WriteAll(fault ? "Unhandled Memory Exception Error" : "Received Signal");
  _exit(255);
}

}  // namespace

void InstallSignalHandlers() {
  // Room to run the handler when the fault is a stack overflow.
  static char alt_stack[64 * 1024];
  stack_t ss{};
  ss.ss_sp = alt_stack;
  ss.ss_size = sizeof alt_stack;
  sigaltstack(&ss, nullptr);

  struct sigaction sa {};
  sa.sa_handler = OnFatalSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_ONSTACK;
  for (int sig : {SIGILL, SIGABRT, SIGTERM, SIGSEGV, SIGBUS, SIGFPE}) sigaction(sig, &sa, nullptr);
}

std::string DirectoryOfPath(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "";
  if (slash == 0) return "/";
  if (path[slash - 1] == ':') return path.substr(0, slash + 1);
  return path.substr(0, slash);
}

void StartProcess(int argc, char** argv) {
  InstallSignalHandlers();

  char buffer[1024];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n < 0) n = 0;
  buffer[n] = 0;
  app_file = Slashes(buffer);
  if (app_file.empty() && argc > 0) app_file = Slashes(argv[0]);
  app_dir = DirectoryOfPath(app_file);

  char* cwd = getcwd(nullptr, 0);
  launch_dir = cwd ? Slashes(cwd) : "";
  std::free(cwd);

  app_args.assign(argv, argv + argc);
  if (!app_dir.empty() && chdir(app_dir.c_str()) != 0) {
    // Staying in the launch directory is the best that can be done; assets may then be missing.
  }
}

int RunMain(const std::function<int()>& body) {
  std::string text;
  try {
    return body();
  } catch (const std::exception& e) {
    text = e.what();
  } catch (...) {
    text = "Unknown exception";
  }
  WriteAll(text.c_str());
  std::exit(-1);
}

const std::string& AppFile() {
  return app_file;
}
const std::string& AppDir() {
  return app_dir;
}
const std::string& LaunchDir() {
  return launch_dir;
}
const std::vector<std::string>& AppArgs() {
  return app_args;
}
