/* Asks the game's window to close, as a window manager's close button does: a WM_DELETE_WINDOW
 * client message to every mapped top-level window that takes part in that protocol and belongs
 * to the given process. Destroying the window instead would pull it from under the program. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>

static int OwnedBy(Display* display, Window window, Atom pidAtom, unsigned long pid) {
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = NULL;
  int owned = 0;
  if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                         &count, &after, &data) == Success &&
      data && count == 1 && format == 32) {
    owned = *(unsigned long*)data == pid;
  }
  if (data) XFree(data);
  return owned;
}

static int TakesDeleteWindow(Display* display, Window window, Atom deleteAtom) {
  Atom* protocols = NULL;
  int count = 0, found = 0;
  if (XGetWMProtocols(display, window, &protocols, &count)) {
    for (int i = 0; i < count; ++i) found |= protocols[i] == deleteAtom;
    XFree(protocols);
  }
  return found;
}

/* Sends the request to the viewable windows of the process below window. A window manager
 * puts each client's window inside a frame of its own, so they need not be the root's children. */
static int Walk(Display* display, Window window, Atom protocolsAtom, Atom deleteAtom,
                Atom pidAtom, unsigned long pid) {
  Window root, parent, *children = NULL;
  unsigned int count = 0;
  int sent = 0;
  if (!XQueryTree(display, window, &root, &parent, &children, &count)) return 0;
  for (unsigned int i = 0; i < count; ++i) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, children[i], &attributes)) continue;
    if (attributes.map_state != IsViewable) continue;
    if (OwnedBy(display, children[i], pidAtom, pid) &&
        TakesDeleteWindow(display, children[i], deleteAtom)) {
      XEvent event = {0};
      event.xclient.type = ClientMessage;
      event.xclient.window = children[i];
      event.xclient.message_type = protocolsAtom;
      event.xclient.format = 32;
      event.xclient.data.l[0] = (long)deleteAtom;
      event.xclient.data.l[1] = CurrentTime;
      XSendEvent(display, children[i], False, NoEventMask, &event);
      ++sent;
    } else {
      sent += Walk(display, children[i], protocolsAtom, deleteAtom, pidAtom, pid);
    }
  }
  if (children) XFree(children);
  return sent;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: close_request PID\n");
    return 2;
  }
  unsigned long pid = strtoul(argv[1], NULL, 10);
  Display* display = XOpenDisplay(NULL);
  if (!display) {
    fprintf(stderr, "close_request: cannot open the display\n");
    return 2;
  }
  Atom protocolsAtom = XInternAtom(display, "WM_PROTOCOLS", False);
  Atom deleteAtom = XInternAtom(display, "WM_DELETE_WINDOW", False);
  Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
  int sent = Walk(display, DefaultRootWindow(display), protocolsAtom, deleteAtom, pidAtom, pid);
  XCloseDisplay(display);
  if (!sent) {
    fprintf(stderr, "close_request: no window of process %lu takes a close request\n", pid);
    return 1;
  }
  return 0;
}
