// The render driver interface under the 2D drawing state, and the driver-side picture of one
// image frame.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/graphics.h"
#include "graphics/pixmap.h"

// Blend modes.
constexpr int32_t BLEND_MASK = 1;   // no blending; drawn only where alpha >= 0.5, then opaque
constexpr int32_t BLEND_SOLID = 2;  // no blending, no alpha test
constexpr int32_t BLEND_ALPHA = 3;  // src * srcAlpha + dst * (1 - srcAlpha)
constexpr int32_t BLEND_LIGHT = 4;  // src * srcAlpha + dst
constexpr int32_t BLEND_SHADE = 5;  // src * dst

// The driver-side picture of one frame of an image.
class TImageFrame : public TObject {
 public:
  // Draws the picture over the quad (x0,y0) (x1,y0) (x1,y1) (x0,y1), each corner transformed by
  // the driver's current matrix and then moved by (tx, ty); top-left of the picture at the first
  // corner. The current colour, alpha and blend mode apply.
  virtual void DrawQuad(float x0, float y0, float x1, float y1, float tx, float ty) = 0;
};
using TImageFrameRef = std::shared_ptr<TImageFrame>;

// A display driver whose surfaces are TDrawGraphics, with the drawing operations. Local
// coordinates of StrokeLine, FillQuad, FillEllipse, FillPolygon and of frames go through the
// matrix of ApplyTransform: (x, y) -> (x*ix + y*iy + tx, x*jx + y*jy + ty).
class TRenderDriver : public TDisplayDriver {
 public:
  // Flag 2 smooth magnification, flag 4 mipmaps; other bits are ignored.
  virtual TImageFrameRef CreateFrame(const TPixmapRef& pixmap, int32_t flags) = 0;
  virtual void ApplyBlend(int32_t mode) = 0;
  virtual void ApplyAlpha(float alpha) = 0;
  virtual void ApplyColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual void ApplyClearColor(int32_t red, int32_t green, int32_t blue) = 0;
  virtual void ApplyViewport(int32_t x, int32_t y, int32_t width, int32_t height) = 0;
  virtual void ApplyTransform(float ix, float iy, float jx, float jy) = 0;
  virtual void ApplyLineWidth(float width) = 0;
  virtual void ClearBuffer() = 0;
  virtual void PlotPoint(float x, float y) = 0;
  virtual void StrokeLine(float x0, float y0, float x1, float y1, float tx, float ty) = 0;
  virtual void FillQuad(float x0, float y0, float x1, float y1, float tx, float ty) = 0;
  virtual void FillEllipse(float x0, float y0, float x1, float y1, float tx, float ty) = 0;
  virtual void FillPolygon(const std::vector<float>& xy, float hx, float hy, float tx,
                           float ty) = 0;
  virtual void BlitPixmap(const TPixmapRef& pixmap, int32_t x, int32_t y) = 0;
  // A new RGBA8888 pixmap of the screen rectangle, top row first.
  virtual TPixmapRef ReadPixels(int32_t x, int32_t y, int32_t width, int32_t height) = 0;
};
using TRenderDriverRef = std::shared_ptr<TRenderDriver>;
