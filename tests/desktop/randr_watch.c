/* Prints one line for every mode a CRTC of the X screen takes ("1024x768", "off"), as the
 * server announces it, until it is killed: the desktop tests count mode switches with it.
 * Usage: randr_watch (DISPLAY from the environment). The first line, "ready", says that the
 * watch is in place. */
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <stdio.h>

int main(void) {
  Display* display = XOpenDisplay(NULL);
  int event_base = 0, error_base = 0;
  if (!display || !XRRQueryExtension(display, &event_base, &error_base)) {
    fprintf(stderr, "randr_watch: no X display with RandR\n");
    return 1;
  }
  XRRSelectInput(display, DefaultRootWindow(display), RRCrtcChangeNotifyMask);
  XSync(display, False);
  printf("ready\n");
  fflush(stdout);
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type != event_base + RRNotify) continue;
    const XRRNotifyEvent* notify = (const XRRNotifyEvent*)&event;
    if (notify->subtype != RRNotify_CrtcChange) continue;
    const XRRCrtcChangeNotifyEvent* change = (const XRRCrtcChangeNotifyEvent*)&event;
    if (change->mode == None) {
      printf("off\n");
    } else {
      printf("%ux%u\n", change->width, change->height);
    }
    fflush(stdout);
  }
}
