// Process start: fatal-signal handlers, the top-level handler for uncaught runtime errors, and
// the start-up values (application file and directory, launch directory, arguments).
#pragma once

#include <functional>
#include <string>
#include <vector>

// Installs the signal handlers, records the start-up values and makes the application
// directory the working directory.
void StartProcess(int argc, char** argv);

// Runs body; a runtime error (or any other exception) that escapes it has its text written to
// standard error, without a line end, and ends the process with status -1. Returns body's
// status otherwise.
int RunMain(const std::function<int()>& body);

// Installs the handlers for fatal signals and gives the calling (main) thread its alternate
// signal stack.
//
// SIGTERM, SIGINT and SIGHUP end the process like an uncaught runtime error, exit actions
// included: the handler only records the signal, and the next safe point on the main thread
// (RaisePendingSignal) raises "Received Signal". A second such signal, or no safe point within
// two seconds, ends the process at once with that text and status 255, without exit actions.
//
// SIGSEGV, SIGBUS and SIGFPE from a fault end the process at once with "Unhandled Memory
// Exception Error"; SIGILL, SIGABRT, and any of these sent by a process (kill, raise), with
// "Received Signal". Both with status 255 and no exit actions: after a fault nothing else can
// be trusted to run.
void InstallSignalHandlers();

// The safe point: raises the runtime error "Received Signal" when SIGTERM, SIGINT or SIGHUP has
// arrived and has not been raised yet. Does nothing on any thread but the main one. The system
// event pump calls it; so may any loop that the main thread runs every frame.
void RaisePendingSignal();
// True once SIGTERM, SIGINT or SIGHUP has arrived: a loop that waits or sleeps should stop
// and let the next safe point raise it.
bool SignalPending();

// Gives the calling thread its own alternate signal stack while the object lives, so that a
// stack overflow on that thread is reported like one on the main thread. Every thread the
// system starts makes one first thing; the thread must end before the object is destroyed or
// must destroy it itself.
class TThreadSignalStack {
 public:
  TThreadSignalStack();
  ~TThreadSignalStack();
  TThreadSignalStack(const TThreadSignalStack&) = delete;
  TThreadSignalStack& operator=(const TThreadSignalStack&) = delete;

 private:
  void* memory_ = nullptr;
};

// The application directory of an executable path: the path cut at its last slash, the slash
// excluded, except that a root keeps its slash ("/" on Linux, "C:/" on a drive).
std::string DirectoryOfPath(const std::string& path);

const std::string& AppFile();
const std::string& AppDir();
const std::string& LaunchDir();
const std::vector<std::string>& AppArgs();
