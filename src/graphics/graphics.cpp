// The graphics module: current driver and surface, display modes, the application graphics and
// frame presentation with software pacing.
#include "graphics/graphics.h"

#include <cstdlib>

#include "runtime/text.h"
#include "system/hooks.h"
#include "system/input.h"
#include "system/system_driver.h"

namespace {

TDisplayDriverRef current_driver;
int32_t default_flags = 0;
std::vector<TGraphicsMode> mode_cache;
TGraphicsRef current_graphics;
int32_t screen_width = 0, screen_height = 0, screen_depth = 0, screen_hz = 0, screen_flags = 0;
TGraphicsRef app_graphics;

int32_t soft_sync = 0;
// Milliseconds times hz: 64 bits, since 32 would overflow after hours at common rates.
int64_t sync_accumulator = 0;
int32_t sync_start = 0;
int32_t sync_hz = 0;
int32_t graphics_sequence = 1;
bool exit_action_registered = false;

void ForgetSettings() {
  screen_width = screen_height = screen_depth = screen_hz = screen_flags = 0;
}

// Leaves the current graphics of the current driver before another driver takes over.
void LeaveCurrentDriver() {
  if (current_driver && current_graphics) current_driver->MakeCurrent(nullptr);
}

void NextSequence() {
  ++graphics_sequence;
  if (graphics_sequence == 0) graphics_sequence = 1;
}

// Whether presenting on the retrace already runs at hz: three presents in a row within a
// millisecond of the frame time, tried for at most a second.
bool HardwareSyncRunsAt(int32_t hz) {
  const int32_t deadline = Milliseconds() + 1000;
  int count = 0;
  while (deadline - Milliseconds() > 0) {
    const int32_t t = Milliseconds();
    current_driver->Present(1);
    const int32_t d = (Milliseconds() - t) - 1000 / hz;
    if (d >= -1 && d <= 1) {
      if (++count == 3) return true;
    } else {
      count = 0;
    }
  }
  return false;
}

void CloseAppGraphicsAtExit() {
  CloseAppGraphics();
}

}  // namespace

std::u16string TGraphicsMode::ToString() const {
  return IntText(width) + u"," + IntText(height) + u"," + IntText(depth) + u" " + IntText(hz) +
         u"Hz";
}

void SelectDisplayDriver(const TDisplayDriverRef& driver, int32_t defaultFlags) {
  if (driver != current_driver) {
    LeaveCurrentDriver();
    mode_cache.clear();
    current_driver = driver;
  }
  default_flags = defaultFlags;
  current_graphics = nullptr;
  ForgetSettings();
}

const TDisplayDriverRef& CurrentDisplayDriver() {
  return current_driver;
}

int32_t DesktopSize(int32_t& width, int32_t& height) {
  TGraphicsMode mode;
  if (!CurrentDisplayDriver() || !CurrentDisplayDriver()->DesktopMode(mode)) return 0;
  width = mode.width;
  height = mode.height;
  return 1;
}

std::vector<TGraphicsMode> ListDisplayModes() {
  if (mode_cache.empty() && current_driver) mode_cache = current_driver->ListModes();
  return mode_cache;
}

int32_t CountDisplayModes() {
  return static_cast<int32_t>(ListDisplayModes().size());
}

int32_t GetDisplayMode(int32_t index, int32_t& width, int32_t& height, int32_t& depth,
                       int32_t& hz) {
  width = height = depth = hz = 0;
  const std::vector<TGraphicsMode> modes = ListDisplayModes();
  if (index < 0 || static_cast<size_t>(index) >= modes.size()) return 0;
  const TGraphicsMode& mode = modes[static_cast<size_t>(index)];
  width = mode.width;
  height = mode.height;
  depth = mode.depth;
  hz = mode.hz;
  return 1;
}

int32_t HasDisplayMode(int32_t width, int32_t height, int32_t depth, int32_t hz) {
  for (const TGraphicsMode& mode : ListDisplayModes()) {
    if (width && mode.width != width) continue;
    if (height && mode.height != height) continue;
    if (depth && mode.depth != depth) continue;
    if (hz && mode.hz != hz) continue;
    return 1;
  }
  return 0;
}

TGraphicsRef NewGraphics(int32_t width, int32_t height, int32_t depth, int32_t hz, int32_t flags) {
  if (!current_driver) return nullptr;
  return current_driver->CreateSurface(width, height, depth, hz, flags | default_flags);
}

TGraphicsRef AttachWidgetGraphics(void* widget, int32_t flags) {
  if (!current_driver) return nullptr;
  return current_driver->AttachToWidget(widget, flags | default_flags);
}

void ReleaseGraphics(const TGraphicsRef& graphics) {
  if (!graphics) return;
  // Hold it: the references below may be the last ones besides the caller's.
  TGraphicsRef keep = graphics;
  if (keep == app_graphics) app_graphics = nullptr;
  if (keep == current_graphics) MakeGraphicsCurrent(nullptr);
  keep->Release();
}

void MakeGraphicsCurrent(const TGraphicsRef& graphics) {
  if (!graphics) {
    LeaveCurrentDriver();
    current_graphics = nullptr;
    ForgetSettings();
    return;
  }
  TGraphicsRef keep = graphics;
  TDisplayDriverRef owner = keep->OwnerDriver();
  if (owner != current_driver) {
    LeaveCurrentDriver();
    mode_cache.clear();
    current_driver = owner;
  }
  // The settings come first, so that the driver may read ScreenWidth inside MakeCurrent.
  keep->QuerySettings(screen_width, screen_height, screen_depth, screen_hz, screen_flags);
  if (current_driver) current_driver->MakeCurrent(keep);
  current_graphics = keep;
}

const TGraphicsRef& CurrentGraphics() {
  return current_graphics;
}

const TGraphicsRef& AppGraphics() {
  return app_graphics;
}

int32_t ScreenWidth() {
  return screen_width;
}
int32_t ScreenHeight() {
  return screen_height;
}
int32_t ScreenDepth() {
  return screen_depth;
}
int32_t ScreenHz() {
  return screen_hz;
}
int32_t ScreenFlags() {
  return screen_flags;
}

void FlipScreen(int32_t sync) {
  RunHookChain(FlipHookId(), nullptr);
  if (!current_driver) return;
  if (sync != -1) {
    current_driver->Present(sync);
    return;
  }
  if (!current_graphics || current_graphics != app_graphics || !soft_sync || sync_hz <= 0) {
    current_driver->Present(1);
    return;
  }
  // Elapsed time as an unsigned difference, so the clock's wrap does not disturb it.
  const int64_t elapsed = static_cast<uint32_t>(Milliseconds()) - static_cast<uint32_t>(sync_start);
  sync_accumulator += 1000;
  const int64_t wait = sync_accumulator / sync_hz - elapsed;
  if (wait > 0 && wait < 1000) {
    PauseMilliseconds(static_cast<int32_t>(wait));
  } else {
    sync_accumulator = elapsed * sync_hz;
  }
  current_driver->Present(0);
}

TGraphicsRef OpenGraphics(int32_t width, int32_t height, int32_t depth, int32_t hz, int32_t flags) {
  CloseAppGraphics();
  TGraphicsRef graphics = NewGraphics(width, height, depth, hz, flags | default_flags);
  if (!graphics) return nullptr;
  NextSequence();
  MakeGraphicsCurrent(graphics);

  soft_sync = 1;
  if (hz == 0) {
    soft_sync = 0;
  } else if (depth != 0 && hz > 0 && current_driver) {
    if (HardwareSyncRunsAt(hz)) soft_sync = 0;
  }
  sync_hz = hz;
  sync_start = Milliseconds();

  app_graphics = graphics;
  EnableInputPolling(nullptr);
  // The middle of the screen the game got, which a display without the requested mode makes
  // other than the request's.
  SetPointerPosition(ScreenWidth() / 2, ScreenHeight() / 2);
  if (!exit_action_registered) {
    exit_action_registered = true;
    std::atexit(CloseAppGraphicsAtExit);
  }
  return graphics;
}

void CloseAppGraphics() {
  if (!app_graphics) return;
  NextSequence();
  DisableInputPolling();
  TGraphicsRef graphics = app_graphics;
  ReleaseGraphics(graphics);
}

int32_t GraphicsSequence() {
  return graphics_sequence;
}

int32_t FlipHookId() {
  // Taken once, at module start (InitGraphics asks first).
  static const int32_t id = NewHookId();
  return id;
}
