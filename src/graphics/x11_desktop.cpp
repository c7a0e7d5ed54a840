// The X11 desktop under the display driver: the end on a lost X connection, and the guardian
// process that restores the desktop's screen configuration after the game dies in full screen.
#include "graphics/x11_desktop.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "system/x11_server.h"

namespace {

extern "C" int OnLostConnection(Display* display) {
  // NOTE: Xlib calls this with the display's lock held; anything that touches the display from
  // here on (the exit actions close windows) waits for that lock forever. So: one line, and out.
  char line[256];
  const int n = std::snprintf(line, sizeof line, "%s: lost the connection to the X server %s\n",
                              program_invocation_short_name, DisplayString(display));
  if (n > 0) {
    const ssize_t written = write(STDERR_FILENO, line, std::min<size_t>(n, sizeof line - 1));
    (void)written;
  }
  _exit(1);
}

struct TSavedCrtc {
  RRCrtc crtc = 0;
  RRMode mode = 0;
  int x = 0, y = 0;
  Rotation rotation = RR_Rotate_0;
  std::vector<RROutput> outputs;
};

// The desktop as it was before the first switch.
struct TSavedScreen {
  std::string display;
  int width = 0, height = 0, mmWidth = 0, mmHeight = 0;
  std::vector<TSavedCrtc> crtcs;
};

pid_t guardian = 0;
int guardian_socket = -1;

extern "C" int IgnoreXError(Display*, XErrorEvent*) {
  return 0;
}

extern "C" int GuardianLostServer(Display*) {
  // The server is gone, and with it every mode there was to restore.
  _exit(0);
}

// Reads the configuration of every active CRTC. False when the display has nothing a mode
// switch could leave behind: no RandR 1.2, Xwayland, or no output offering a second mode.
bool SaveScreen(Display* display, TSavedScreen& saved) {
  int event = 0, error = 0, major = 0, minor = 0;
  if (!XRRQueryExtension(display, &event, &error) || !XRRQueryVersion(display, &major, &minor) ||
      major < 1 || (major == 1 && minor < 2)) {
    return false;
  }
  const Window root = DefaultRootWindow(display);
  XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
  if (!resources) return false;
  bool switchable = false;
  if (!IsXwaylandServer(display)) {
    for (int i = 0; i < resources->ncrtc; ++i) {
      XRRCrtcInfo* info = XRRGetCrtcInfo(display, resources, resources->crtcs[i]);
      if (!info) continue;
      if (info->mode != None && info->noutput > 0) {
        TSavedCrtc crtc;
        crtc.crtc = resources->crtcs[i];
        crtc.mode = info->mode;
        crtc.x = info->x;
        crtc.y = info->y;
        crtc.rotation = info->rotation;
        crtc.outputs.assign(info->outputs, info->outputs + info->noutput);
        saved.crtcs.push_back(crtc);
        for (RROutput id : crtc.outputs) {
          XRROutputInfo* output = XRRGetOutputInfo(display, resources, id);
          if (output && output->nmode > 1) switchable = true;
          if (output) XRRFreeOutputInfo(output);
        }
      }
      XRRFreeCrtcInfo(info);
    }
  }
  XRRFreeScreenResources(resources);
  const int screen = DefaultScreen(display);
  saved.width = DisplayWidth(display, screen);
  saved.height = DisplayHeight(display, screen);
  saved.mmWidth = DisplayWidthMM(display, screen);
  saved.mmHeight = DisplayHeightMM(display, screen);
  saved.display = DisplayString(display);
  return switchable && !saved.crtcs.empty();
}

bool SameCrtc(const TSavedCrtc& saved, const XRRCrtcInfo& now) {
  return now.mode == saved.mode && now.x == saved.x && now.y == saved.y &&
         now.rotation == saved.rotation && now.noutput == static_cast<int>(saved.outputs.size()) &&
         std::equal(saved.outputs.begin(), saved.outputs.end(), now.outputs);
}

// Puts back what differs from the saved configuration, and nothing else: after an orderly
// end the program has restored it already, and the desktop sees no second switch.
void RestoreScreen(const TSavedScreen& saved) {
  XSetIOErrorHandler(GuardianLostServer);
  XSetErrorHandler(IgnoreXError);
  Display* display = XOpenDisplay(saved.display.c_str());
  if (!display) return;
  const Window root = DefaultRootWindow(display);
  const int screen = DefaultScreen(display);
  XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
  if (!resources) {
    XCloseDisplay(display);
    return;
  }
  // A CRTC must fit inside the screen: grow the screen first when the saved layout is larger.
  const int width = DisplayWidth(display, screen), height = DisplayHeight(display, screen);
  if (saved.width > width || saved.height > height) {
    XRRSetScreenSize(display, root, std::max(width, saved.width), std::max(height, saved.height),
                     saved.mmWidth, saved.mmHeight);
  }
  for (const TSavedCrtc& crtc : saved.crtcs) {
    XRRCrtcInfo* now = XRRGetCrtcInfo(display, resources, crtc.crtc);
    const bool same = now && SameCrtc(crtc, *now);
    if (now) XRRFreeCrtcInfo(now);
    if (same) continue;
    XRRSetCrtcConfig(display, resources, crtc.crtc, CurrentTime, crtc.x, crtc.y, crtc.mode,
                     crtc.rotation, const_cast<RROutput*>(crtc.outputs.data()),
                     static_cast<int>(crtc.outputs.size()));
  }
  XSync(display, False);
  if (DisplayWidth(display, screen) != saved.width ||
      DisplayHeight(display, screen) != saved.height) {
    XRRSetScreenSize(display, root, saved.width, saved.height, saved.mmWidth, saved.mmHeight);
  }
  XRRFreeScreenResources(resources);
  XSync(display, False);
  XCloseDisplay(display);
}

// The guardian: a fork of the game that waits for a word on its socket. A byte means the game
// restored the mode itself; the end of the stream without one means the game is gone.
// NOTE: the game has threads (the mixer, SDL's audio) when this runs, so the child keeps to
// what stays sound after such a fork: glibc's malloc and a fresh X connection of its own. It
// never returns into the game's code and never runs its exit actions.
[[noreturn]] void RunGuardian(int socket, const TSavedScreen& saved) {
  // The terminal's Ctrl+C and hang-up reach the whole process group; the game handles them and
  // releases the guardian through its exit actions, so the guardian must outlive them.
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT}) signal(sig, SIG_IGN);
  prctl(PR_SET_NAME, "mode guardian");
  // Nothing of the game's may stay open here: its X connection would outlive the game and
  // keep its window on the screen, and a reader of its output would wait for this process.
  if (socket != 3) {
    dup2(socket, 3);
    socket = 3;
  }
  const int null = open("/dev/null", O_RDWR);
  if (null >= 0) {
    dup2(null, STDIN_FILENO);
    dup2(null, STDOUT_FILENO);
  }
  close_range(4, ~0U, 0);

  char word = 0;
  ssize_t n;
  do {
    n = read(socket, &word, 1);
  } while (n < 0 && errno == EINTR);
  if (n != 1) RestoreScreen(saved);
  _exit(0);
}

}  // namespace

void EndOnLostX11Connection() {
  static bool done = false;
  if (done) return;
  done = true;
  XSetIOErrorHandler(OnLostConnection);
}

pid_t GuardDesktopMode() {
  if (guardian != 0) return guardian;
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 0;
  TSavedScreen saved;
  const bool needed = SaveScreen(display, saved);
  XCloseDisplay(display);
  if (!needed) return 0;

  int ends[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return 0;
  const pid_t pid = fork();
  if (pid < 0) {
    close(ends[0]);
    close(ends[1]);
    return 0;
  }
  if (pid == 0) {
    close(ends[0]);
    RunGuardian(ends[1], saved);
  }
  close(ends[1]);
  guardian = pid;
  guardian_socket = ends[0];
  return guardian;
}

void ReleaseDesktopModeGuard() {
  if (guardian == 0) return;
  const char word = 'R';
  const ssize_t sent = send(guardian_socket, &word, 1, MSG_NOSIGNAL);
  (void)sent;
  close(guardian_socket);
  guardian_socket = -1;
  // It ends as soon as it has read the byte; reap it, but never wait long on a guardian that
  // someone has stopped.
  for (int i = 0; i < 100; ++i) {
    if (waitpid(guardian, nullptr, WNOHANG) != 0) break;
    usleep(10000);
  }
  guardian = 0;
}
