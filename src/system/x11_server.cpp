// The kind of X server behind a display connection.
#include "system/x11_server.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <cstring>

bool IsXwaylandServer(Display* display) {
  int opcode = 0, event = 0, error = 0;
  if (XQueryExtension(display, "XWAYLAND", &opcode, &event, &error)) return true;
  if (!XRRQueryExtension(display, &event, &error)) return false;
  XRRScreenResources* resources =
      XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display));
  if (!resources) return false;
  bool xwayland = false;
  for (int i = 0; i < resources->noutput && !xwayland; ++i) {
    XRROutputInfo* output = XRRGetOutputInfo(display, resources, resources->outputs[i]);
    if (!output) continue;
    xwayland = std::strncmp(output->name, "XWAYLAND", 8) == 0;
    XRRFreeOutputInfo(output);
  }
  XRRFreeScreenResources(resources);
  return xwayland;
}

bool DefaultDisplayIsXwayland() {
  // The process keeps its $DISPLAY, so the first answer holds; a display that does not answer
  // yet is asked again next time.
  static int known = -1;
  if (known < 0) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    known = IsXwaylandServer(display) ? 1 : 0;
    XCloseDisplay(display);
  }
  return known == 1;
}
