// The kind of X server behind a display connection, for the few places where the platform
// layer has to step round what one server does with an ordinary request.
#pragma once

struct _XDisplay;  // Xlib's Display, without Xlib's macros in every file that asks

// Whether the server behind display is Xwayland. Xwayland 22 names its RandR outputs
// "XWAYLAND<n>"; later ones also announce an XWAYLAND extension.
bool IsXwaylandServer(_XDisplay* display);

// The same question put to the server that $DISPLAY names, on a short connection of its own
// the first time and answered from memory after; false when no server answers there.
bool DefaultDisplayIsXwayland();
