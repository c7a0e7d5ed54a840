// GLGraphicsDriver: windows with OpenGL contexts over SDL2, full-screen mode switching, buffer
// swaps with a remembered swap interval, and one hidden context that shares its textures with
// every window's context.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/graphics.h"

struct TGLContextRecord;

class TGLGraphicsDriver : public TDisplayDriver {
 public:
  std::vector<TGraphicsMode> ListModes() override;
  // There is no widget toolkit to attach to: always null.
  TGraphicsRef AttachToWidget(void* widget, int32_t flags) override;
  TGraphicsRef CreateSurface(int32_t width, int32_t height, int32_t depth, int32_t hz,
                             int32_t flags) override;
  void MakeCurrent(const TGraphicsRef& graphics) override;
  void Present(int32_t sync) override;
  bool DesktopMode(TGraphicsMode& mode) override;
  // Makes the hidden shared context current, or, when it already is, the drawing context again
  // (or none). Called in pairs around creating and deleting textures.
  void ToggleSharedContext();

  // The caption of new windows.
  static const char* WindowTitle();
};
using TGLGraphicsDriverRef = std::shared_ptr<TGLGraphicsDriver>;

// A window with its OpenGL context, made by GLGraphicsDriver.
class TGLSurface : public TGraphics {
 public:
  explicit TGLSurface(TGLContextRecord* record) : record(record) {}
  ~TGLSurface() override;
  TDisplayDriverRef OwnerDriver() override;
  void QuerySettings(int32_t& width, int32_t& height, int32_t& depth, int32_t& hz,
                     int32_t& flags) override;
  void Release() override;
  // The platform's id of the surface's window (the one window messages carry); 0 once released.
  uint32_t WindowId() const;

  TGLContextRecord* record = nullptr;
};

// The one driver, made on first call. Making it touches no display.
const TGLGraphicsDriverRef& GLGraphicsDriver();

// True once the process has begun tearing down the OpenGL driver at exit: GL objects are gone
// and whoever still holds one must skip deleting it.
bool GLDriverShutDown();
