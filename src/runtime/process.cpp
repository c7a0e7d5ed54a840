#include "runtime/process.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "runtime/runtime_error.h"

namespace {

std::string app_file;
std::string app_dir;
std::string launch_dir;
std::vector<std::string> app_args;

// Room to run a fault handler on when the fault is a stack overflow.
constexpr size_t kSignalStackBytes = 64 * 1024;

// Only async-signal-safe calls from here on: write, _exit, alarm, sigaction.
void WriteAll(const char* text) {
  size_t left = std::strlen(text);
  while (left > 0) {
    ssize_t n = write(STDERR_FILENO, text, left);
    if (n <= 0) break;
    text += n;
    left -= static_cast<size_t>(n);
  }
}

[[noreturn]] void EndNow(const char* text) {
  WriteAll(text);
  _exit(255);
}

// How long the main thread has to reach a safe point after SIGTERM, SIGINT or SIGHUP.
constexpr unsigned kSafePointSeconds = 2;

// The asynchronous signal that arrived (0: none), and whether a safe point has raised it.
// NOTE: atomics rather than volatile sig_atomic_t, because the handler may run on any thread;
// lock-free atomics are safe to use in a handler.
std::atomic<int> pending_signal{0};
std::atomic<bool> signal_raised{false};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

extern "C" void OnWatchdog(int) {
  EndNow("Received Signal");
}

extern "C" void OnAsyncSignal(int sig) {
  // The watchdog is armed before the signal is published, so that a safe point that sees the
  // signal always finds the alarm there to cancel.
  struct sigaction sa {};
  sa.sa_handler = OnWatchdog;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGALRM, &sa, nullptr);
  alarm(kSafePointSeconds);
  // A second signal means: now, whatever the main thread is doing.
  if (pending_signal.exchange(sig) != 0) EndNow("Received Signal");
}

extern "C" void OnFatalSignal(int sig, siginfo_t* info, void*) {
  // si_code 0 or below: sent by kill, raise or sigqueue, not raised by a faulting instruction.
  const bool sent = info != nullptr && info->si_code <= 0;
  const bool fault = sig == SIGSEGV || sig == SIGBUS || sig == SIGFPE;
  EndNow(fault && !sent ? "Unhandled Memory Exception Error" : "Received Signal");
}

bool OnMainThread() {
  return gettid() == getpid();
}

}  // namespace

void InstallSignalHandlers() {
  static char alt_stack[kSignalStackBytes];
  stack_t ss{};
  ss.ss_sp = alt_stack;
  ss.ss_size = sizeof alt_stack;
  sigaltstack(&ss, nullptr);

  struct sigaction fatal {};
  fatal.sa_sigaction = OnFatalSignal;
  sigemptyset(&fatal.sa_mask);
  fatal.sa_flags = SA_SIGINFO | SA_ONSTACK;
  for (int sig : {SIGILL, SIGABRT, SIGSEGV, SIGBUS, SIGFPE}) sigaction(sig, &fatal, nullptr);

  // Restarted system calls: code that reads or waits never sees EINTR because of these.
  struct sigaction async {};
  async.sa_handler = OnAsyncSignal;
  sigemptyset(&async.sa_mask);
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&async.sa_mask, sig);
  async.sa_flags = SA_RESTART | SA_ONSTACK;
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &async, nullptr);
}

void RaisePendingSignal() {
  if (pending_signal.load() == 0 || signal_raised.load() || !OnMainThread()) return;
  signal_raised.store(true);
  // The safe point is reached: the exit actions may take their time.
  alarm(0);
  RuntimeError("Received Signal");
}

bool SignalPending() {
  return pending_signal.load() != 0;
}

TThreadSignalStack::TThreadSignalStack() {
  memory_ = std::malloc(kSignalStackBytes);
  if (!memory_) return;
  stack_t ss{};
  ss.ss_sp = memory_;
  ss.ss_size = kSignalStackBytes;
  if (sigaltstack(&ss, nullptr) != 0) {
    std::free(memory_);
    memory_ = nullptr;
  }
}

TThreadSignalStack::~TThreadSignalStack() {
  if (!memory_) return;
  stack_t off{};
  off.ss_flags = SS_DISABLE;
  sigaltstack(&off, nullptr);
  std::free(memory_);
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
  // NOTE: paths are kept as they are. Turning backslashes into slashes suits a platform whose
  // separator is the backslash; on Linux a backslash is an ordinary character of a name.
  app_file = buffer;
  if (app_file.empty() && argc > 0) app_file = argv[0];
  app_dir = DirectoryOfPath(app_file);

  char* cwd = getcwd(nullptr, 0);
  launch_dir = cwd ? cwd : "";
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
