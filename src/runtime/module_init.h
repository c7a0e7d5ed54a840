// Module start-up: every module has one initialiser, guarded by its own flag, that first
// initialises the modules it uses. Nothing is done in static constructors.
#pragma once

// Returns true the first time it is called with a given flag, false after that. The flag is
// set before the module's work begins, so a module reached again while it initialises (through
// a cycle of uses) is not initialised twice.
inline bool FirstInit(bool& flag) {
  if (flag) return false;
  flag = true;
  return true;
}

// The runtime core: streams and their built-in protocols.
void InitRuntime();
