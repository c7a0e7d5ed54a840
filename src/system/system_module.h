// Start-up of the system module: hook chains, the event hook and its queue, and the native
// system driver.
#pragma once

// Initialises the runtime first; then takes the event hook id, installs the event queue and
// makes a TNativeSystemDriver the current system driver. Runs once.
void InitSystem();
