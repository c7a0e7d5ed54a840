// Memory figures and limits for checks that run in a child process: how far the peak resident
// size grew, and an address space with only so much room left.
#pragma once

#include <sys/resource.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

// A "kB" field of /proc/self/status ("VmRSS", "VmHWM"); -1 when it is not there.
inline long ProcStatusKb(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.compare(0, field.size() + 1, field + ":") == 0) {
      long kb = -1;
      std::istringstream(line.substr(field.size() + 1)) >> kb;
      return kb;
    }
  }
  return -1;
}

// Resets the peak resident size (VmHWM) to what the process holds now, so that the peak read
// afterwards is that of what follows. False where the kernel does not offer it.
inline bool ResetPeakResident() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  clear.flush();
  return static_cast<bool>(clear);
}

// Leaves this process room to map `megabytes` more than it has mapped now.
inline void LimitAddressSpaceToMore(rlim_t megabytes) {
  long pages = 0;
  std::ifstream("/proc/self/statm") >> pages;
  const rlim_t room = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (megabytes << 20);
  const rlimit limit{room, room};
  setrlimit(RLIMIT_AS, &limit);
}
