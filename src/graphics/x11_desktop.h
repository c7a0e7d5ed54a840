// The X11 desktop under the display driver, where SDL leaves the game on its own: the end of
// the game when the X server goes away, and a guardian that gives the desktop its own display
// mode back when the game dies while it has the mode switched.
#pragma once

#include <sys/types.h>

// Makes a lost connection to the X server end the process at once: one line on standard error
// and status 1. Without it Xlib's default handler exits through the exit actions, which then
// wait forever on the dead connection. Call after the video system is up, on X11 only; calling
// it again does nothing.
void EndOnLostX11Connection();

// Before a full-screen window first switches the display mode: saves the X server's screen
// configuration and starts a guardian process, which restores that configuration when this
// process ends without having called ReleaseDesktopModeGuard (a crash, an abort, SIGKILL). A
// display that offers no other mode (Xvfb) or emulates modes per client (Xwayland) needs no
// guardian, and gets none. Returns the guardian's process id, or 0 when there is none. While a
// guardian runs, a further call returns it again.
pid_t GuardDesktopMode();

// The program has given the desktop its mode back itself: the guardian ends without touching
// the display. Does nothing when no guardian runs.
void ReleaseDesktopModeGuard();
