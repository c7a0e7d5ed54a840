// GLGraphicsDriver over SDL2: the hidden shared context, full-screen and windowed surfaces, the
// swap interval, display modes and the window procedure of the game's windows.
#include "graphics/gl_graphics_driver.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "graphics/x11_desktop.h"
#include "runtime/runtime_error.h"
#include "system/message_translator.h"
#include "system/window_registry.h"
#include "system/x11_server.h"

// Kinds of context record.
enum : int32_t { kSharedContext = 0, kWidgetContext = 1, kWindowed = 2, kFullScreen = 3 };

struct TGLContextRecord {
  TGLContextRecord* next = nullptr;
  int32_t kind = kSharedContext;
  int32_t width = 0, height = 0, depth = 0, hz = 0, flags = 0;
  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
  uint32_t windowId = 0;
  // Whether the full-screen switch took the requested refresh rate.
  bool refreshSet = false;
};

namespace {

bool video_up = false;
bool on_x11 = false;
bool on_xwayland = false;
bool shut_down = false;
bool shutdown_registered = false;
TGLContextRecord shared_record;  // kind 0, 1 x 1; never in the list
TGLContextRecord* contexts = nullptr;
TGLContextRecord* current = nullptr;
TGLContextRecord* fullscreen_window = nullptr;
int32_t swap_interval = -1;

bool Listed(const TGLContextRecord* record) {
  for (TGLContextRecord* r = contexts; r; r = r->next) {
    if (r == record) return true;
  }
  return false;
}

TGLContextRecord* FindByWindow(uint32_t window) {
  for (TGLContextRecord* r = contexts; r; r = r->next) {
    if (r->windowId == window) return r;
  }
  return nullptr;
}

void MakeRecordCurrent(TGLContextRecord* record) {
  if (record) {
    SDL_GL_MakeCurrent(record->window, record->context);
  } else {
    SDL_GL_MakeCurrent(nullptr, nullptr);
  }
}

// Sets the interval on the record's context, which must be current for it; the driver's own
// current context is current again afterwards. A refusal (Xvfb refuses every interval) is fine:
// frames are then presented without waiting.
void SetSwapIntervalOn(TGLContextRecord* record, int interval) {
  const bool switched = record != current;
  if (switched) MakeRecordCurrent(record);
  SDL_GL_SetSwapInterval(interval);
  if (switched) MakeRecordCurrent(current);
}

void ShutDown();

// SDL's video, started on first need. A display that SDL can reach only through its offscreen
// or dummy drivers counts as none, unless those were asked for by name.
bool EnsureVideo() {
  if (video_up) return true;
  if (shut_down) return false;
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  const char* driver = SDL_GetCurrentVideoDriver();
  const char* asked = std::getenv("SDL_VIDEODRIVER");
  if (driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0) &&
      !(asked && std::strcmp(asked, driver) == 0)) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  video_up = true;
  on_x11 = driver && std::strcmp(driver, "x11") == 0;
  if (on_x11) EndOnLostX11Connection();
  on_xwayland = on_x11 && DefaultDisplayIsXwayland();
  if (!shutdown_registered) {
    shutdown_registered = true;
    // Registered before any surface exists, so it runs after the exit action that closes the
    // application graphics.
    std::atexit(ShutDown);
  }
  return true;
}

// Every GL attribute that decides the window's visual: X11 fixes it when the window is made.
void SetPixelFormat(int32_t flags) {
  SDL_GL_ResetAttributes();
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 1);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 1);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 1);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, (flags & GRAPHICS_BACKBUFFER) ? 1 : 0);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, (flags & GRAPHICS_ALPHABUFFER) ? 1 : 0);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, (flags & GRAPHICS_DEPTHBUFFER) ? 1 : 0);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, (flags & GRAPHICS_STENCILBUFFER) ? 1 : 0);
  const int accum = (flags & GRAPHICS_ACCUMBUFFER) ? 1 : 0;
  SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, accum);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, accum);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, accum);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, accum);
}

[[noreturn]] void SharedContextFailed() {
  // NOTE: without this context no texture can live, so there is nothing to go on with; say why
  // and end with a failure status rather than quietly.
  std::fprintf(stderr, "GLGraphicsDriver: unable to create the shared OpenGL context: %s\n",
               SDL_GetError());
  std::exit(1);
}

bool EnsureSharedContext() {
  if (shared_record.context) return true;
  if (!EnsureVideo()) return false;
  SetPixelFormat(0);
  SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
  shared_record.kind = kSharedContext;
  shared_record.width = shared_record.height = 1;
  shared_record.window = SDL_CreateWindow(
      "", 0, 0, 1, 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS);
  if (!shared_record.window) SharedContextFailed();
  shared_record.context = SDL_GL_CreateContext(shared_record.window);
  if (!shared_record.context) SharedContextFailed();
  // Creating a context makes it current; the driver's own current context stays what it was.
  MakeRecordCurrent(current);
  return true;
}

// Full screen at the record's size: the closest mode SDL offers with the refresh rate (not
// under Xwayland, which takes the desktop's mode as ModeForFullScreen says), then without it,
// then whatever SDL picks for the window. False when SDL refuses all three.
bool SwitchDisplayMode(TGLContextRecord* record, int display) {
  SDL_DisplayMode want{};
  want.w = record->width;
  want.h = record->height;
  SDL_DisplayMode closest{};
  if (record->hz != 0 && !on_xwayland) {
    want.refresh_rate = record->hz;
    if (SDL_GetClosestDisplayMode(display, &want, &closest) &&
        SDL_SetWindowDisplayMode(record->window, &closest) == 0 &&
        SDL_SetWindowFullscreen(record->window, SDL_WINDOW_FULLSCREEN) == 0) {
      record->refreshSet = true;
      return true;
    }
  }
  want.refresh_rate = 0;
  if (SDL_GetClosestDisplayMode(display, &want, &closest) &&
      SDL_SetWindowDisplayMode(record->window, &closest) == 0 &&
      SDL_SetWindowFullscreen(record->window, SDL_WINDOW_FULLSCREEN) == 0) {
    return true;
  }
  return SDL_SetWindowDisplayMode(record->window, nullptr) == 0 &&
         SDL_SetWindowFullscreen(record->window, SDL_WINDOW_FULLSCREEN) == 0;
}

// The mode a full-screen request will get: SDL's closest with the refresh rate, then without
// it, and the desktop's own when every mode is smaller than the request.
bool ModeForFullScreen(int32_t width, int32_t height, int32_t hz, SDL_DisplayMode& mode) {
  // NOTE: Xwayland only pretends to switch modes; whether a window of the pretended size is
  // scaled to the screen is up to the compositor, and one that does not (weston) makes the
  // full-screen window the output's size, the game's picture then filling a corner of it. So
  // there the game takes the desktop's own size, which every compositor shows as it is.
  if (on_xwayland) return SDL_GetDesktopDisplayMode(0, &mode) == 0;
  SDL_DisplayMode want{};
  want.w = width;
  want.h = height;
  want.refresh_rate = hz;
  if (hz != 0 && SDL_GetClosestDisplayMode(0, &want, &mode)) return true;
  want.refresh_rate = 0;
  if (SDL_GetClosestDisplayMode(0, &want, &mode)) return true;
  return SDL_GetDesktopDisplayMode(0, &mode) == 0;
}

// After the switch the record takes the size and depth of the mode in force rather than the
// request's: callers lay the game out from the surface's settings, and on a display without
// the requested mode SDL has taken its closest.
// NOTE: the refresh rate stays the request's; it only chooses the swap interval, and SDL's
// reading of it is a rounded guess on many servers.
bool SwitchToFullScreen(TGLContextRecord* record) {
  const int index = SDL_GetWindowDisplayIndex(record->window);
  const int display = index < 0 ? 0 : index;
  if (!SwitchDisplayMode(record, display)) return false;
  // NOTE: the window's mode, not the display's current one: SDL makes the switch itself only
  // when the hidden window is shown.
  SDL_DisplayMode mode{};
  if (SDL_GetWindowDisplayMode(record->window, &mode) == 0 && mode.w > 0 && mode.h > 0) {
    record->width = mode.w;
    record->height = mode.h;
    if (SDL_BYTESPERPIXEL(mode.format) >= 2) record->depth = SDL_BYTESPERPIXEL(mode.format) * 8;
  }
  return true;
}

bool AnyFullScreen() {
  for (TGLContextRecord* r = contexts; r; r = r->next) {
    if (r->kind == kFullScreen) return true;
  }
  return false;
}

void Unlink(TGLContextRecord* record) {
  for (TGLContextRecord** link = &contexts; *link; link = &(*link)->next) {
    if (*link == record) {
      *link = record->next;
      return;
    }
  }
}

void CloseContext(TGLContextRecord* record) {
  if (!Listed(record)) return;
  if (record == current) {
    current = nullptr;
    MakeRecordCurrent(nullptr);
  }
  if (record == fullscreen_window) fullscreen_window = nullptr;
  UnregisterWindowProc(record->windowId);
  SDL_GL_DeleteContext(record->context);
  // Destroying a full-screen window gives the desktop its own mode back.
  if (record->window) SDL_DestroyWindow(record->window);
  const bool wasFullScreen = record->kind == kFullScreen;
  Unlink(record);
  delete record;
  if (wasFullScreen && !AnyFullScreen()) ReleaseDesktopModeGuard();
}

// SDL keeps the mode switch itself: it minimises an exclusive full-screen window that loses the
// focus (restoring the desktop mode) and switches back when it is restored. What is left here is
// the bookkeeping and the swap interval.
void FocusGained(TGLContextRecord* record) {
  if (record->kind != kFullScreen || record == fullscreen_window) return;
  fullscreen_window = record;
  SetSwapIntervalOn(record, record->refreshSet ? 1 : 0);
  swap_interval = -1;
}

void FocusLost(TGLContextRecord* record) {
  if (record != fullscreen_window) return;
  SetSwapIntervalOn(record, 0);
  swap_interval = -1;
  fullscreen_window = nullptr;
}

void WindowProc(uint32_t window, const TWindowMessage& message) {
  TranslateWindowMessage(message, nullptr);
  TGLContextRecord* record = FindByWindow(window);
  if (!record) return;
  // NOTE: a close request is only announced (as "AppTerminate"): the window stays until its
  // graphics are released, so a running frame loop never swaps a destroyed window.
  if (message.kind == kMessageActivate) {
    if (message.active) {
      FocusGained(record);
    } else {
      FocusLost(record);
    }
  }
}

void ShutDown() {
  while (contexts) CloseContext(contexts);
  if (shared_record.context) {
    MakeRecordCurrent(nullptr);
    SDL_GL_DeleteContext(shared_record.context);
    shared_record.context = nullptr;
  }
  if (shared_record.window) {
    SDL_DestroyWindow(shared_record.window);
    shared_record.window = nullptr;
  }
  // NOTE: SDL's video stays up until the process is gone: quitting it closes the X display,
  // which unloads Mesa's driver while its allocations are still referenced from the driver's own
  // globals, and a leak checker then reports them as lost.
  shut_down = true;
}

}  // namespace

const char* TGLGraphicsDriver::WindowTitle() {
  return "Vantor Application";
}

std::vector<TGraphicsMode> TGLGraphicsDriver::ListModes() {
  std::vector<TGraphicsMode> modes;
  if (!EnsureVideo()) return modes;
  const int count = SDL_GetNumDisplayModes(0);
  for (int i = 0; i < count && i < 1024; ++i) {
    SDL_DisplayMode mode{};
    if (SDL_GetDisplayMode(0, i, &mode) != 0) continue;
    // NOTE: bytes, not SDL's bits: a 32-bit RGB888 mode reports 24 bits per pixel.
    const int32_t bits = SDL_BYTESPERPIXEL(mode.format) * 8;
    if (bits < 16) continue;
    modes.push_back({mode.w, mode.h, bits, mode.refresh_rate});
  }
  return modes;
}

bool TGLGraphicsDriver::DesktopMode(TGraphicsMode& mode) {
  if (!EnsureVideo()) return false;
  SDL_DisplayMode desktop{};
  if (SDL_GetDesktopDisplayMode(0, &desktop) != 0) return false;
  mode = {desktop.w, desktop.h, static_cast<int32_t>(SDL_BYTESPERPIXEL(desktop.format) * 8),
          desktop.refresh_rate};
  return true;
}

TGraphicsRef TGLGraphicsDriver::AttachToWidget(void* widget, int32_t flags) {
  return nullptr;
}

TGraphicsRef TGLGraphicsDriver::CreateSurface(int32_t width, int32_t height, int32_t depth,
                                              int32_t hz, int32_t flags) {
  if (width <= 0 || height <= 0) return nullptr;
  if (!EnsureSharedContext()) return nullptr;
  const bool fullScreen = depth != 0;

  SetPixelFormat(flags);
  Uint32 windowFlags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
  if (fullScreen) windowFlags |= SDL_WINDOW_BORDERLESS;
  const int at = fullScreen ? 0 : 32;
  // NOTE: a full-screen window starts at the size of the mode it will get, not the request's,
  // and the switch asks for that size: a switch to another size would resize the window, and
  // the GL drawable learns of a resize only a frame or more later (later still through a window
  // manager), so the first frames would draw at the request's size into a corner of the screen.
  SDL_DisplayMode mode{};
  if (fullScreen && ModeForFullScreen(width, height, hz, mode)) {
    width = mode.w;
    height = mode.h;
  }
  SDL_Window* window = SDL_CreateWindow(WindowTitle(), at, at, width, height, windowFlags);
  if (!window) return nullptr;  // no visual for these flags, or no window at all

  SDL_GL_MakeCurrent(shared_record.window, shared_record.context);
  SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 1);
  SDL_GLContext context = SDL_GL_CreateContext(window);
  SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
  MakeRecordCurrent(current);
  if (!context) {
    SDL_DestroyWindow(window);
    return nullptr;
  }

  auto* record = new TGLContextRecord;
  record->kind = fullScreen ? kFullScreen : kWindowed;
  record->width = width;
  record->height = height;
  record->depth = depth;
  record->hz = hz;
  record->flags = flags;
  record->window = window;
  record->context = context;
  record->windowId = SDL_GetWindowID(window);
  record->next = contexts;
  contexts = record;
  const uint32_t id = record->windowId;
  RegisterWindowProc(id, [id](const TWindowMessage& message) { WindowProc(id, message); });

  if (fullScreen) {
    // NOTE: the first switch is made here rather than on the focus message, which SDL delivers
    // only a while after the window is shown: a refused mode then fails the creation itself.
    // The guardian comes first: from the switch on, a crash must not leave the desktop in the
    // game's mode.
    if (on_x11) GuardDesktopMode();
    if (!SwitchToFullScreen(record)) {
      CloseContext(record);
      RuntimeError("GLGraphicsDriver failed to set display mode");
    }
    fullscreen_window = record;
    SetSwapIntervalOn(record, record->refreshSet ? 1 : 0);
    swap_interval = -1;
  }
  SDL_ShowWindow(window);
  return std::make_shared<TGLSurface>(record);
}

void TGLGraphicsDriver::MakeCurrent(const TGraphicsRef& graphics) {
  auto surface = std::dynamic_pointer_cast<TGLSurface>(graphics);
  TGLContextRecord* record = nullptr;
  if (surface && !shut_down && Listed(surface->record)) record = surface->record;
  if (record == current) return;
  current = record;
  MakeRecordCurrent(record);
}

void TGLGraphicsDriver::Present(int32_t sync) {
  if (!current) return;
  const int32_t interval = sync != 0 ? 1 : 0;
  if (interval != swap_interval) {
    swap_interval = interval;
    SDL_GL_SetSwapInterval(interval);
  }
  SDL_GL_SwapWindow(current->window);
}

void TGLGraphicsDriver::ToggleSharedContext() {
  if (shut_down || !EnsureSharedContext()) return;
  if (SDL_GL_GetCurrentContext() != shared_record.context) {
    SDL_GL_MakeCurrent(shared_record.window, shared_record.context);
  } else {
    MakeRecordCurrent(current);
  }
}

TGLSurface::~TGLSurface() {
  Release();
}

TDisplayDriverRef TGLSurface::OwnerDriver() {
  return GLGraphicsDriver();
}

void TGLSurface::QuerySettings(int32_t& width, int32_t& height, int32_t& depth, int32_t& hz,
                               int32_t& flags) {
  width = height = depth = hz = flags = 0;
  if (!record || shut_down) return;
  width = record->width;
  height = record->height;
  depth = record->depth;
  hz = record->hz;
  flags = record->flags;
}

void TGLSurface::Release() {
  if (!record) return;
  if (!shut_down) CloseContext(record);
  record = nullptr;
}

uint32_t TGLSurface::WindowId() const {
  return record && !shut_down ? record->windowId : 0;
}

const TGLGraphicsDriverRef& GLGraphicsDriver() {
  // Never destroyed: surfaces and frames may outlive every static at exit.
  static auto* driver = new TGLGraphicsDriverRef(std::make_shared<TGLGraphicsDriver>());
  return *driver;
}

bool GLDriverShutDown() {
  return shut_down;
}
