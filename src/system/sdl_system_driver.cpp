// TNativeSystemDriver: SDL events to window messages, and the clock, pointer and dialogs.
#include "system/sdl_system_driver.h"

#include <SDL.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <thread>

#include "runtime/process.h"
#include "runtime/runtime_error.h"
#include "runtime/text.h"
#include "system/window_message.h"
#include "system/window_registry.h"
#include "system/x11_server.h"

extern char** environ;

namespace {

int32_t ModifiersOf(Uint16 mod) {
  int32_t bits = 0;
  if (mod & KMOD_SHIFT) bits |= 1;
  if (mod & KMOD_CTRL) bits |= 2;
  if (mod & KMOD_ALT) bits |= 4;
  if (mod & KMOD_GUI) bits |= 8;
  return bits;
}

// Enter, Backspace, Tab and Escape type a control character as well as their key press.
int32_t ControlCharOf(SDL_Scancode scancode) {
  switch (scancode) {
    case SDL_SCANCODE_RETURN:
    case SDL_SCANCODE_KP_ENTER:
      return 13;
    case SDL_SCANCODE_BACKSPACE:
      return 8;
    case SDL_SCANCODE_TAB:
      return 9;
    case SDL_SCANCODE_ESCAPE:
      return 27;
    default:
      return 0;
  }
}

// Whether SDL's video runs on Xwayland; no until SDL's video is up, and on any other driver.
bool OnXwayland() {
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver && std::strcmp(driver, "x11") == 0 && DefaultDisplayIsXwayland();
}

// The window a key or typed text is for: the one SDL names, which has its keyboard focus.
// Xwayland under a compositor without a keyboard never hands out the focus, and its focus
// follows the pointer instead: a key SDL names no window for there was sent to the window under
// the pointer, SDL's mouse focus. Elsewhere such a key is nobody's: an X server also sends keys
// to the window under the pointer when the focus has fallen back to the root window (the window
// that had it went away), and those were typed for some other program.
Uint32 KeyWindow(Uint32 window) {
  if (window != 0 || !OnXwayland()) return window;
  SDL_Window* under = SDL_GetMouseFocus();
  return under ? SDL_GetWindowID(under) : 0;
}

void DeliverKey(const SDL_KeyboardEvent& key) {
  TNativeKey native = NativeKeyOfScancode(key.keysym.scancode);
  const Uint32 window = KeyWindow(key.windowID);
  TWindowMessage message;
  message.kind = key.type == SDL_KEYDOWN ? kMessageKeyDown : kMessageKeyUp;
  message.window = window;
  message.key = native.key;
  message.scanCode = native.scanCode;
  message.extended = native.extended;
  message.repeat = key.repeat != 0;
  message.modifiers = ModifiersOf(key.keysym.mod);
  DeliverWindowMessage(message);
  // NOTE: like the platform's own key translation, a held Backspace keeps typing; only the
  // key press itself is dropped as an auto-repeat (by the translator).
  if (key.type == SDL_KEYDOWN) {
    if (int32_t c = ControlCharOf(key.keysym.scancode)) {
      TWindowMessage typed;
      typed.kind = kMessageChar;
      typed.window = window;
      typed.character = c;
      DeliverWindowMessage(typed);
    }
  }
}

void DeliverText(const SDL_TextInputEvent& text) {
  const Uint32 window = KeyWindow(text.windowID);
  for (char16_t unit : ToText(text.text)) {
    TWindowMessage message;
    message.kind = kMessageChar;
    message.window = window;
    message.character = unit;
    DeliverWindowMessage(message);
  }
}

void ClientSize(Uint32 window_id, int32_t& width, int32_t& height) {
  width = height = 0;
  if (SDL_Window* window = SDL_GetWindowFromID(window_id))
    SDL_GetWindowSize(window, &width, &height);
}

int32_t ButtonOf(Uint8 sdl_button) {
  switch (sdl_button) {
    case SDL_BUTTON_LEFT:
      return 1;
    case SDL_BUTTON_RIGHT:
      return 2;
    case SDL_BUTTON_MIDDLE:
      return 3;
    default:
      return 0;
  }
}

void DeliverWindowEvent(const SDL_WindowEvent& event) {
  TWindowMessage message;
  message.window = event.windowID;
  switch (event.event) {
    case SDL_WINDOWEVENT_CLOSE:
      message.kind = kMessageClose;
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
    case SDL_WINDOWEVENT_FOCUS_LOST:
      message.kind = kMessageActivate;
      message.active = event.event == SDL_WINDOWEVENT_FOCUS_GAINED;
      break;
    case SDL_WINDOWEVENT_LEAVE: {
      // The leave carries where the pointer is now, in the window's client coordinates.
      message.kind = kMessagePointerLeave;
      int gx = 0, gy = 0, wx = 0, wy = 0;
      SDL_GetGlobalMouseState(&gx, &gy);
      if (SDL_Window* window = SDL_GetWindowFromID(event.windowID)) {
        SDL_GetWindowPosition(window, &wx, &wy);
      }
      message.x = gx - wx;
      message.y = gy - wy;
      break;
    }
    default:
      return;
  }
  DeliverWindowMessage(message);
}

void HandleEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_WINDOWEVENT:
      DeliverWindowEvent(event.window);
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      DeliverKey(event.key);
      break;
    case SDL_TEXTINPUT:
      DeliverText(event.text);
      break;
    case SDL_MOUSEMOTION: {
      TWindowMessage message;
      message.kind = kMessagePointerMove;
      message.window = event.motion.windowID;
      message.x = event.motion.x;
      message.y = event.motion.y;
      ClientSize(event.motion.windowID, message.clientWidth, message.clientHeight);
      DeliverWindowMessage(message);
      break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      // Pointer capture while a button is held is SDL's own (its mouse auto-capture).
      TWindowMessage message;
      message.kind = event.type == SDL_MOUSEBUTTONDOWN ? kMessageButtonDown : kMessageButtonUp;
      message.window = event.button.windowID;
      message.button = ButtonOf(event.button.button);
      message.x = event.button.x;
      message.y = event.button.y;
      if (message.button) DeliverWindowMessage(message);
      break;
    }
    case SDL_MOUSEWHEEL: {
      // Only the vertical wheel makes wheel messages: a purely horizontal scroll has none.
      if (event.wheel.y == 0) break;
      TWindowMessage message;
      message.kind = kMessageWheel;
      message.window = event.wheel.windowID;
      int32_t notches =
          event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y;
      message.wheelDelta = notches * 120;
      DeliverWindowMessage(message);
      break;
    }
    default:
      // SDL_QUIT among others: a close request arrives per window as SDL_WINDOWEVENT_CLOSE.
      break;
  }
}

// The caption of the message boxes: the executable's name.
std::string AppTitle() {
  const std::string& file = AppFile();
  size_t slash = file.find_last_of('/');
  return slash == std::string::npos ? file : file.substr(slash + 1);
}

// Shows a modal box over the focused window and gives that window the focus back after.
// Returns the id of the button pressed, or fallback when the box could not be shown or was
// closed without a button.
int ShowBox(const std::u16string& text, int32_t serious, const SDL_MessageBoxButtonData* buttons,
            int count, int fallback) {
  SDL_Window* focus = SDL_GetKeyboardFocus();
  std::string title = AppTitle();
  std::string message = ToUtf8(text);
  SDL_MessageBoxData box{};
  box.flags = (serious ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_INFORMATION) |
              SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
  box.window = focus;
  box.title = title.c_str();
  box.message = message.c_str();
  box.numbuttons = count;
  box.buttons = buttons;
  int pressed = fallback;
  // A box closed without a button reports -1, which is Cancel where there is one.
  if (SDL_ShowMessageBox(&box, &pressed) != 0) pressed = fallback;
  if (focus) SDL_RaiseWindow(focus);
  return pressed;
}

bool FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string dir = dirs.substr(start, end - start);
    if (dir.empty()) dir = ".";
    if (access((dir + "/" + name).c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

// Runs a program found in PATH with the given arguments, without a shell, and waits for it.
// Returns its exit status (-1 when it could not run) and, when output is given, what it wrote
// to standard output.
int RunProgram(const std::vector<std::string>& args, std::string* output) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  int fds[2] = {-1, -1};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (output) {
    if (pipe2(fds, O_CLOEXEC) != 0) {
      posix_spawn_file_actions_destroy(&actions);
      return -1;
    }
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  }
  pid_t pid = 0;
  int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (output) close(fds[1]);
  if (spawned != 0) {
    if (output) close(fds[0]);
    return -1;
  }
  if (output) {
    char buffer[4096];
    for (;;) {
      ssize_t n = read(fds[0], buffer, sizeof buffer);
      if (n > 0) {
        output->append(buffer, static_cast<size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        break;
      }
    }
    close(fds[0]);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string RunChooser(const std::vector<std::string>& args) {
  if (!FindProgram(args[0])) return "";
  std::string chosen;
  if (RunProgram(args, &chosen) != 0) return "";
  while (!chosen.empty() && (chosen.back() == '\n' || chosen.back() == '\r')) chosen.pop_back();
  return chosen;
}

}  // namespace

std::vector<std::string> ChooserArguments(const std::u16string& title, const std::string& filter,
                                          int32_t save, const std::string& path, bool directory) {
  std::vector<std::string> args = {"zenity", "--file-selection", "--title=" + ToUtf8(title)};
  if (directory) args.push_back("--directory");
  if (save) {
    args.push_back("--save");
    args.push_back("--confirm-overwrite");
  }
  if (!path.empty()) args.push_back("--filename=" + path);
  // "Name:ext,ext;Name:ext" becomes one zenity filter per group: "Name | *.ext *.ext".
  size_t start = 0;
  while (!directory && start < filter.size()) {
    size_t end = filter.find(';', start);
    if (end == std::string::npos) end = filter.size();
    std::string group = filter.substr(start, end - start);
    start = end + 1;
    size_t colon = group.find(':');
    std::string name = colon == std::string::npos ? "" : group.substr(0, colon);
    std::string exts = colon == std::string::npos ? group : group.substr(colon + 1);
    std::string patterns;
    size_t e = 0;
    while (e < exts.size()) {
      size_t comma = exts.find(',', e);
      if (comma == std::string::npos) comma = exts.size();
      std::string ext = exts.substr(e, comma - e);
      e = comma + 1;
      if (ext.empty()) continue;
      if (!patterns.empty()) patterns += ' ';
      patterns += ext == "*" ? "*" : "*." + ext;
    }
    if (patterns.empty()) continue;
    args.push_back("--file-filter=" + (name.empty() ? patterns : name + " | " + patterns));
  }
  return args;
}

TNativeKey NativeKeyOfScancode(int32_t sdlScancode) {
  switch (static_cast<SDL_Scancode>(sdlScancode)) {
    // Letters, by row.
    case SDL_SCANCODE_Q:
      return {'Q', 0x10};
    case SDL_SCANCODE_W:
      return {'W', 0x11};
    case SDL_SCANCODE_E:
      return {'E', 0x12};
    case SDL_SCANCODE_R:
      return {'R', 0x13};
    case SDL_SCANCODE_T:
      return {'T', 0x14};
    case SDL_SCANCODE_Y:
      return {'Y', 0x15};
    case SDL_SCANCODE_U:
      return {'U', 0x16};
    case SDL_SCANCODE_I:
      return {'I', 0x17};
    case SDL_SCANCODE_O:
      return {'O', 0x18};
    case SDL_SCANCODE_P:
      return {'P', 0x19};
    case SDL_SCANCODE_A:
      return {'A', 0x1E};
    case SDL_SCANCODE_S:
      return {'S', 0x1F};
    case SDL_SCANCODE_D:
      return {'D', 0x20};
    case SDL_SCANCODE_F:
      return {'F', 0x21};
    case SDL_SCANCODE_G:
      return {'G', 0x22};
    case SDL_SCANCODE_H:
      return {'H', 0x23};
    case SDL_SCANCODE_J:
      return {'J', 0x24};
    case SDL_SCANCODE_K:
      return {'K', 0x25};
    case SDL_SCANCODE_L:
      return {'L', 0x26};
    case SDL_SCANCODE_Z:
      return {'Z', 0x2C};
    case SDL_SCANCODE_X:
      return {'X', 0x2D};
    case SDL_SCANCODE_C:
      return {'C', 0x2E};
    case SDL_SCANCODE_V:
      return {'V', 0x2F};
    case SDL_SCANCODE_B:
      return {'B', 0x30};
    case SDL_SCANCODE_N:
      return {'N', 0x31};
    case SDL_SCANCODE_M:
      return {'M', 0x32};
    // Digits row.
    case SDL_SCANCODE_1:
      return {'1', 0x02};
    case SDL_SCANCODE_2:
      return {'2', 0x03};
    case SDL_SCANCODE_3:
      return {'3', 0x04};
    case SDL_SCANCODE_4:
      return {'4', 0x05};
    case SDL_SCANCODE_5:
      return {'5', 0x06};
    case SDL_SCANCODE_6:
      return {'6', 0x07};
    case SDL_SCANCODE_7:
      return {'7', 0x08};
    case SDL_SCANCODE_8:
      return {'8', 0x09};
    case SDL_SCANCODE_9:
      return {'9', 0x0A};
    case SDL_SCANCODE_0:
      return {'0', 0x0B};
    case SDL_SCANCODE_MINUS:
      return {189, 0x0C};
    case SDL_SCANCODE_EQUALS:
      return {187, 0x0D};
    case SDL_SCANCODE_GRAVE:
      return {192, 0x29};
    // Punctuation (the codes of the US layout).
    case SDL_SCANCODE_LEFTBRACKET:
      return {219, 0x1A};
    case SDL_SCANCODE_RIGHTBRACKET:
      return {221, 0x1B};
    case SDL_SCANCODE_BACKSLASH:
      return {220, 0x2B};
    case SDL_SCANCODE_NONUSHASH:
      return {220, 0x2B};  // the ISO key beside Enter
    case SDL_SCANCODE_SEMICOLON:
      return {186, 0x27};
    case SDL_SCANCODE_APOSTROPHE:
      return {222, 0x28};
    case SDL_SCANCODE_COMMA:
      return {188, 0x33};
    case SDL_SCANCODE_PERIOD:
      return {190, 0x34};
    case SDL_SCANCODE_SLASH:
      return {191, 0x35};
    case SDL_SCANCODE_NONUSBACKSLASH:
      return {226, 0x56};  // the ISO key beside left shift
    // Editing and whitespace.
    case SDL_SCANCODE_ESCAPE:
      return {27, 0x01};
    case SDL_SCANCODE_BACKSPACE:
      return {8, 0x0E};
    case SDL_SCANCODE_TAB:
      return {9, 0x0F};
    case SDL_SCANCODE_RETURN:
      return {13, 0x1C};
    case SDL_SCANCODE_SPACE:
      return {32, 0x39};
    case SDL_SCANCODE_CAPSLOCK:
      return {20, 0x3A};
    // Modifiers: generic codes; the translator makes them side-specific by scan code.
    case SDL_SCANCODE_LSHIFT:
      return {16, 0x2A};
    case SDL_SCANCODE_RSHIFT:
      return {16, 0x36};
    case SDL_SCANCODE_LCTRL:
      return {17, 0x1D};
    case SDL_SCANCODE_RCTRL:
      return {17, 0x1D, true};
    case SDL_SCANCODE_LALT:
      return {18, 0x38};
    case SDL_SCANCODE_RALT:
      return {18, 0x38, true};
    case SDL_SCANCODE_LGUI:
      return {91, 0x5B, true};
    case SDL_SCANCODE_RGUI:
      return {92, 0x5C, true};
    case SDL_SCANCODE_APPLICATION:
      return {93, 0x5D, true};
    // Function keys.
    case SDL_SCANCODE_F1:
      return {112, 0x3B};
    case SDL_SCANCODE_F2:
      return {113, 0x3C};
    case SDL_SCANCODE_F3:
      return {114, 0x3D};
    case SDL_SCANCODE_F4:
      return {115, 0x3E};
    case SDL_SCANCODE_F5:
      return {116, 0x3F};
    case SDL_SCANCODE_F6:
      return {117, 0x40};
    case SDL_SCANCODE_F7:
      return {118, 0x41};
    case SDL_SCANCODE_F8:
      return {119, 0x42};
    case SDL_SCANCODE_F9:
      return {120, 0x43};
    case SDL_SCANCODE_F10:
      return {121, 0x44};
    case SDL_SCANCODE_F11:
      return {122, 0x57};
    case SDL_SCANCODE_F12:
      return {123, 0x58};
    case SDL_SCANCODE_PRINTSCREEN:
      return {44, 0x37, true};
    case SDL_SCANCODE_SCROLLLOCK:
      return {145, 0x46};
    case SDL_SCANCODE_PAUSE:
      return {19, 0x45};
    // Navigation block.
    case SDL_SCANCODE_INSERT:
      return {45, 0x52, true};
    case SDL_SCANCODE_DELETE:
      return {46, 0x53, true};
    case SDL_SCANCODE_HOME:
      return {36, 0x47, true};
    case SDL_SCANCODE_END:
      return {35, 0x4F, true};
    case SDL_SCANCODE_PAGEUP:
      return {33, 0x49, true};
    case SDL_SCANCODE_PAGEDOWN:
      return {34, 0x51, true};
    case SDL_SCANCODE_LEFT:
      return {37, 0x4B, true};
    case SDL_SCANCODE_UP:
      return {38, 0x48, true};
    case SDL_SCANCODE_RIGHT:
      return {39, 0x4D, true};
    case SDL_SCANCODE_DOWN:
      return {40, 0x50, true};
    // Keypad, read as with Num Lock on.
    case SDL_SCANCODE_NUMLOCKCLEAR:
      return {144, 0x45, true};
    case SDL_SCANCODE_KP_DIVIDE:
      return {111, 0x35, true};
    case SDL_SCANCODE_KP_MULTIPLY:
      return {106, 0x37};
    case SDL_SCANCODE_KP_MINUS:
      return {109, 0x4A};
    case SDL_SCANCODE_KP_PLUS:
      return {107, 0x4E};
    case SDL_SCANCODE_KP_ENTER:
      return {13, 0x1C, true};
    case SDL_SCANCODE_KP_PERIOD:
      return {110, 0x53};
    case SDL_SCANCODE_KP_0:
      return {96, 0x52};
    case SDL_SCANCODE_KP_1:
      return {97, 0x4F};
    case SDL_SCANCODE_KP_2:
      return {98, 0x50};
    case SDL_SCANCODE_KP_3:
      return {99, 0x51};
    case SDL_SCANCODE_KP_4:
      return {100, 0x4B};
    case SDL_SCANCODE_KP_5:
      return {101, 0x4C};
    case SDL_SCANCODE_KP_6:
      return {102, 0x4D};
    case SDL_SCANCODE_KP_7:
      return {103, 0x47};
    case SDL_SCANCODE_KP_8:
      return {104, 0x48};
    case SDL_SCANCODE_KP_9:
      return {105, 0x49};
    default:
      return {};
  }
}

TNativeSystemDriver::TNativeSystemDriver() {
  // Must come before SDL starts, or SDL turns SIGINT and SIGTERM into quit events and the
  // process's own fatal-signal handling never runs.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_EVENTS) != 0) {
    RuntimeError(std::string("Unable to start SDL events: ") + SDL_GetError());
  }
  SDL_StartTextInput();
  // NOTE: Linux sleeps and clocks already have millisecond resolution, so there is no timer
  // resolution to raise here and none to restore at exit.
}

TNativeSystemDriver::~TNativeSystemDriver() {
  SDL_QuitSubSystem(SDL_INIT_EVENTS);
}

void TNativeSystemDriver::Poll() {
  SDL_Event event;
  while (SDL_PollEvent(&event)) HandleEvent(event);
}

// NOTE: waits and sleeps go in short slices, so that a SIGTERM, SIGINT or SIGHUP, which may
// arrive on any thread and then wakes nothing here, reaches its safe point within that slice.
constexpr int kSignalSliceMs = 50;

void TNativeSystemDriver::Wait() {
  while (!SDL_WaitEventTimeout(nullptr, kSignalSliceMs) && !SignalPending()) {
  }
  Poll();
}

int32_t TNativeSystemDriver::Clock() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  uint64_t ms =
      static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<int32_t>(static_cast<uint32_t>(ms));
}

void TNativeSystemDriver::Pause(int32_t ms) {
  if (ms <= 0) return;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!SignalPending()) {
    const auto left = end - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) return;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
        left, std::chrono::milliseconds(kSignalSliceMs)));
  }
}

namespace {

// The shown window of the program's that holds the screen point (x, y), which then becomes
// the point in that window's client coordinates; null when no such window holds it.
SDL_Window* ShownWindowAt(int32_t& x, int32_t& y) {
  for (uint32_t id : RegisteredWindows()) {
    SDL_Window* window = SDL_GetWindowFromID(id);
    if (!window) continue;
    const Uint32 flags = SDL_GetWindowFlags(window);
    if (!(flags & SDL_WINDOW_SHOWN) || (flags & (SDL_WINDOW_HIDDEN | SDL_WINDOW_MINIMIZED))) {
      continue;
    }
    int left = 0, top = 0, width = 0, height = 0;
    // A full-screen window covers the screen from its origin whatever SDL last heard of its
    // place: a window manager may report the frame it first gave the window a while longer.
    if (!(flags & SDL_WINDOW_FULLSCREEN)) SDL_GetWindowPosition(window, &left, &top);
    SDL_GetWindowSize(window, &width, &height);
    if (x >= left && x < left + width && y >= top && y < top + height) {
      x -= left;
      y -= top;
      return window;
    }
  }
  return nullptr;
}

}  // namespace

void TNativeSystemDriver::SetPointerPos(int32_t x, int32_t y) {
  if (SDL_Window* window = SDL_GetKeyboardFocus()) {
    SDL_WarpMouseInWindow(window, x, y);
    return;
  }
  if (!OnXwayland()) {
    SDL_WarpMouseGlobal(x, y);
    return;
  }
  // NOTE: a warp in screen coordinates is a warp to the root window, and Xwayland 22.1 dies on
  // that one (a segmentation fault in the server, which takes every client with it); under a
  // Wayland compositor no X client can move the pointer outside its own windows anyway. A
  // freshly shown window has no focus there for a while, or never without a keyboard, so the
  // pointer goes to the same spot through the program's own window that holds it, and stays
  // where it is when none does.
  if (SDL_Window* window = ShownWindowAt(x, y)) SDL_WarpMouseInWindow(window, x, y);
}

void TNativeSystemDriver::SetPointerVisible(int32_t visible) {
  // SDL keeps a flag rather than a counter, so one call shows or hides however many came before.
  SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

void TNativeSystemDriver::Notice(const std::u16string& text, int32_t serious) {
  SDL_MessageBoxButtonData ok{
      SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 1, "OK"};
  ShowBox(text, serious, &ok, 1, 0);
}

int32_t TNativeSystemDriver::AskOkCancel(const std::u16string& text, int32_t serious) {
  SDL_MessageBoxButtonData buttons[] = {
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "OK"},
      {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "Cancel"},
  };
  return ShowBox(text, serious, buttons, 2, 0) == 1 ? 1 : 0;
}

int32_t TNativeSystemDriver::AskYesNoCancel(const std::u16string& text, int32_t serious) {
  SDL_MessageBoxButtonData buttons[] = {
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
      {0, 0, "No"},
      {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, -1, "Cancel"},
  };
  return ShowBox(text, serious, buttons, 3, -1);
}

std::string TNativeSystemDriver::ChooseFile(const std::u16string& title, const std::string& filter,
                                            int32_t save, const std::string& path) {
  return RunChooser(ChooserArguments(title, filter, save, path, false));
}

std::string TNativeSystemDriver::ChooseDirectory(const std::u16string& title,
                                                 const std::string& path) {
  return RunChooser(ChooserArguments(title, "", 0, path, true));
}

int32_t TNativeSystemDriver::OpenDocument(const std::string& target) {
  if (target.empty()) return 0;
  return RunProgram({"xdg-open", target}, nullptr) == 0 ? 1 : 0;
}
