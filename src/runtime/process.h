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

// Installs the handlers for fatal signals: SIGILL, SIGABRT and SIGTERM end the process with
// "Received Signal"; memory and other processor faults with "Unhandled Memory Exception Error".
void InstallSignalHandlers();

// The application directory of an executable path: the path cut at its last slash, the slash
// excluded, except that a root keeps its slash ("/" on Linux, "C:/" on a drive).
std::string DirectoryOfPath(const std::string& path);

const std::string& AppFile();
const std::string& AppDir();
const std::string& LaunchDir();
const std::vector<std::string>& AppArgs();
