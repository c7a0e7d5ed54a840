// The graphics module: the current display driver, the surface drawing goes to, the display
// modes, the application graphics opened by OpenGraphics, and frame presentation with optional
// software pacing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/object.h"

// Graphics flags: bits of every flags argument.
constexpr int32_t GRAPHICS_BACKBUFFER = 2;
constexpr int32_t GRAPHICS_ALPHABUFFER = 4;
constexpr int32_t GRAPHICS_DEPTHBUFFER = 8;
constexpr int32_t GRAPHICS_STENCILBUFFER = 16;
constexpr int32_t GRAPHICS_ACCUMBUFFER = 32;

// One display mode. Text form: "1024,768,32 85Hz".
struct TGraphicsMode {
  int32_t width = 0;
  int32_t height = 0;
  int32_t depth = 0;
  int32_t hz = 0;
  std::u16string ToString() const;
};

class TDisplayDriver;
class TGraphics;
using TGraphicsRef = std::shared_ptr<TGraphics>;
using TDisplayDriverRef = std::shared_ptr<TDisplayDriver>;

// An open surface.
class TGraphics : public TObject {
 public:
  virtual TDisplayDriverRef OwnerDriver() = 0;
  virtual void QuerySettings(int32_t& width, int32_t& height, int32_t& depth, int32_t& hz,
                             int32_t& flags) = 0;
  // Closes the surface; calling it again does nothing.
  virtual void Release() = 0;
};

// The maker of surfaces.
class TDisplayDriver : public TObject {
 public:
  virtual std::vector<TGraphicsMode> ListModes() = 0;
  // A surface inside an existing native window; null where there is none to attach to.
  virtual TGraphicsRef AttachToWidget(void* widget, int32_t flags) = 0;
  // A new window: depth 0 windowed, any other depth full screen. Null on failure.
  virtual TGraphicsRef CreateSurface(int32_t width, int32_t height, int32_t depth, int32_t hz,
                                     int32_t flags) = 0;
  virtual void MakeCurrent(const TGraphicsRef& graphics) = 0;
  virtual void Present(int32_t sync) = 0;
  // The mode the desktop runs in when no program has switched it; false when the driver cannot
  // tell (it has no display, or no notion of a desktop).
  virtual bool DesktopMode(TGraphicsMode& mode) { return false; }
};

void SelectDisplayDriver(const TDisplayDriverRef& driver, int32_t defaultFlags);
const TDisplayDriverRef& CurrentDisplayDriver();
std::vector<TGraphicsMode> ListDisplayModes();
int32_t CountDisplayModes();
// Out-of-range indices leave the outputs at 0 and answer 0; a valid index answers 1.
int32_t GetDisplayMode(int32_t index, int32_t& width, int32_t& height, int32_t& depth,
                       int32_t& hz);
int32_t HasDisplayMode(int32_t width, int32_t height, int32_t depth, int32_t hz);
// The desktop's size from the current driver: 1 with width and height set, 0 when unknown.
int32_t DesktopSize(int32_t& width, int32_t& height);
TGraphicsRef NewGraphics(int32_t width, int32_t height, int32_t depth, int32_t hz, int32_t flags);
TGraphicsRef AttachWidgetGraphics(void* widget, int32_t flags);
void ReleaseGraphics(const TGraphicsRef& graphics);
void MakeGraphicsCurrent(const TGraphicsRef& graphics);
const TGraphicsRef& CurrentGraphics();
const TGraphicsRef& AppGraphics();
int32_t ScreenWidth();
int32_t ScreenHeight();
int32_t ScreenDepth();
int32_t ScreenHz();
int32_t ScreenFlags();
// sync -1 paces in software, 0 presents at once, 1 presents on the vertical retrace.
void FlipScreen(int32_t sync);
TGraphicsRef OpenGraphics(int32_t width, int32_t height, int32_t depth, int32_t hz,
                          int32_t flags);
void CloseAppGraphics();

// Changes whenever the application graphics is opened or closed; never 0.
int32_t GraphicsSequence();
// Hook chain run at the start of every FlipScreen.
int32_t FlipHookId();
