// A render driver for tests: records every call with its arguments and the state in force,
// hands out TDrawGraphics around small fake surfaces, and makes frames that record where they
// were drawn. Nothing touches a display.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/draw_graphics.h"
#include "graphics/glyph_font.h"
#include "graphics/image.h"
#include "graphics/render_driver.h"

class TRecordingFrame;

// One recorded call. args holds the numeric arguments in the order of the call (ints as
// floats). The matrix, colour, alpha and blend mode are those in force when the call was made.
struct TDrawCall {
  std::string name;
  std::vector<float> args;
  // DrawQuad: the frame drawn. CreateFrame: the frame made.
  std::shared_ptr<TRecordingFrame> frame;
  // CreateFrame, BlitPixmap: the pixmap passed.
  TPixmapRef pixmap;
  float ix = 1, iy = 0, jx = 0, jy = 1;
  int32_t red = 0, green = 0, blue = 0;
  float alpha = 0;
  int32_t blend = 0;

  float Arg(size_t i) const { return i < args.size() ? args[i] : 0.0f; }
  // A local point of this call mapped through its matrix and moved by (tx, ty).
  void Map(float x, float y, float tx, float ty, float& sx, float& sy) const {
    sx = x * ix + y * iy + tx;
    sy = x * jx + y * jy + ty;
  }
};

class TRecordingRenderDriver;

// A frame that remembers what it was made from and every quad drawn with it.
class TRecordingFrame : public TImageFrame {
 public:
  void DrawQuad(float x0, float y0, float x1, float y1, float tx, float ty) override;

  TPixmapRef pixmap;
  int32_t flags = 0;
  // 1, 2, 3... in the order the driver made frames.
  int32_t id = 0;
  std::weak_ptr<TRecordingRenderDriver> driver;
  // The DrawQuad calls of this frame (also in the driver's calls), with `frame` left empty.
  std::vector<TDrawCall> quads;
};

// The display surface under each TDrawGraphics: reports the settings it was asked for.
class TRecordingSurface : public TGraphics {
 public:
  TDisplayDriverRef OwnerDriver() override { return driver.lock(); }
  void QuerySettings(int32_t& w, int32_t& h, int32_t& d, int32_t& r, int32_t& f) override {
    w = width, h = height, d = depth, r = hz, f = flags;
  }
  void Release() override { released = true; }

  int32_t width = 0, height = 0, depth = 0, hz = 0, flags = 0;
  bool released = false;
  std::weak_ptr<TDisplayDriver> driver;
};

// One glyph drawn by a TGlyphFont, as found among the recorded quads.
struct TDrawnGlyph {
  char16_t character = 0;
  // The screen position of the glyph image's top-left corner, and the whole call.
  float x = 0, y = 0;
  TDrawCall call;
};

class TRecordingRenderDriver : public TRenderDriver {
 public:
  // Display driver.
  std::vector<TGraphicsMode> ListModes() override;
  TGraphicsRef AttachToWidget(void* widget, int32_t flags) override;
  TGraphicsRef CreateSurface(int32_t width, int32_t height, int32_t depth, int32_t hz,
                             int32_t flags) override;
  void MakeCurrent(const TGraphicsRef& graphics) override;
  void Present(int32_t sync) override;

  // Render driver.
  TImageFrameRef CreateFrame(const TPixmapRef& pixmap, int32_t flags) override;
  void ApplyBlend(int32_t mode) override;
  void ApplyAlpha(float alpha) override;
  void ApplyColor(int32_t red, int32_t green, int32_t blue) override;
  void ApplyClearColor(int32_t red, int32_t green, int32_t blue) override;
  void ApplyViewport(int32_t x, int32_t y, int32_t width, int32_t height) override;
  void ApplyTransform(float ix, float iy, float jx, float jy) override;
  void ApplyLineWidth(float width) override;
  void ClearBuffer() override;
  void PlotPoint(float x, float y) override;
  void StrokeLine(float x0, float y0, float x1, float y1, float tx, float ty) override;
  void FillQuad(float x0, float y0, float x1, float y1, float tx, float ty) override;
  void FillEllipse(float x0, float y0, float x1, float y1, float tx, float ty) override;
  void FillPolygon(const std::vector<float>& xy, float hx, float hy, float tx, float ty) override;
  void BlitPixmap(const TPixmapRef& pixmap, int32_t x, int32_t y) override;
  // The matching rectangle of `screen` (transparent black outside it, or everywhere when no
  // screen is set); null for a side of 0 or less.
  TPixmapRef ReadPixels(int32_t x, int32_t y, int32_t width, int32_t height) override;

  // Finders over the recorded calls.
  std::vector<TDrawCall> Calls(const std::string& name) const;
  int Count(const std::string& name) const;
  // The last call of that name; a default record with an empty name when there is none.
  TDrawCall Last(const std::string& name) const;
  // The names of all calls, in order: handy in failure messages.
  std::string Names() const;
  // The DrawQuad calls whose frame was made from the given pixmap (an image's pixmaps[frame]).
  std::vector<TDrawCall> QuadsOf(const TPixmapRef& pixmap) const;
  std::vector<TDrawCall> QuadsOf(const TImageRef& image, int32_t frame = 0) const;
  // Every DrawQuad that shows a glyph image of the font, in drawing order, with its character
  // (the first character from 1 to 0xFFFF whose glyph has that image).
  std::vector<TDrawnGlyph> DrawnGlyphs(const TGlyphFontRef& font) const;
  // The characters of DrawnGlyphs, in order.
  std::u16string DrawnText(const TGlyphFontRef& font) const;
  void ClearCalls() { calls.clear(); }

  std::vector<TDrawCall> calls;
  std::vector<TGraphicsMode> modes{{1024, 768, 32, 60}, {800, 600, 32, 60}, {640, 480, 16, 60}};
  // What ReadPixels reads from; the test sets it.
  TPixmapRef screen;
  int32_t framesMade = 0;

  // The state in force, as the last Apply calls left it.
  float ix = 1, iy = 0, jx = 0, jy = 1;
  int32_t red = 255, green = 255, blue = 255;
  float alpha = 1;
  int32_t blend = 0;
  // The surface made current last (weak: its TDrawGraphics holds this driver).
  std::weak_ptr<TGraphics> current;

  TDrawCall Record(std::string name, std::vector<float> args);
};
using TRecordingRenderDriverRef = std::shared_ptr<TRecordingRenderDriver>;

// Makes a fresh recording driver the current display driver (default flags 2) and returns it.
TRecordingRenderDriverRef InstallRecordingRenderDriver();

// Starts the graphics module, installs a fresh recording driver and opens the application
// graphics on it (full screen at 32 bits, hz 0: no pacing). A system driver must be installed
// first (InstallFakeSystemDriver): opening graphics moves the pointer. Null when opening fails.
TRecordingRenderDriverRef OpenRecordingGraphics(int32_t width = 1024, int32_t height = 768);
