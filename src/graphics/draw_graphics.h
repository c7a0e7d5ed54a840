// The 2D drawing state of each surface and the drawing operations that turn the game's calls
// into render driver calls, with origin, handle and the rotation-and-scale matrix applied.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/graphics.h"
#include "graphics/pixmap.h"
#include "graphics/render_driver.h"

class TImage;
class TGlyphFont;
using TImageRef = std::shared_ptr<TImage>;
using TGlyphFontRef = std::shared_ptr<TGlyphFont>;

// The surface a render driver hands out: wraps the display surface and carries its drawing
// state.
class TDrawGraphics : public TGraphics {
 public:
  TDisplayDriverRef OwnerDriver() override;
  void QuerySettings(int32_t& width, int32_t& height, int32_t& depth, int32_t& hz,
                     int32_t& flags) override;
  void Release() override;
  // Pushes every field to the driver through the public setters.
  virtual void Reapply();

  static std::shared_ptr<TDrawGraphics> Create(const TGraphicsRef& surface,
                                               const TRenderDriverRef& driver);

  int32_t colorRed = 0, colorGreen = 0, colorBlue = 0;
  float alpha = 0;
  int32_t clearRed = 0, clearGreen = 0, clearBlue = 0;
  float lineWidth = 0;
  float rotation = 0;
  float scaleX = 0, scaleY = 0;
  float ix = 0, iy = 0, jx = 0, jy = 0;
  int32_t viewX = 0, viewY = 0, viewWidth = 0, viewHeight = 0;
  float originX = 0, originY = 0;
  // Stored negated: SetDrawHandle(x, y) stores -x, -y.
  float handleX = 0, handleY = 0;
  TGlyphFontRef font;
  int32_t blend = 0;
  TGraphicsRef surface;
  TRenderDriverRef driver;
  int32_t initialised = 0;
};
using TDrawGraphicsRef = std::shared_ptr<TDrawGraphics>;

// Render drivers call this from MakeCurrent once the surface is current; the first binding of a
// surface applies the defaults and clears both buffers.
void BindDrawGraphics(const TGraphicsRef& graphics);
const TDrawGraphicsRef& CurrentDrawGraphics();
const TRenderDriverRef& CurrentRenderDriver();

// State.
void SetDrawColor(int32_t red, int32_t green, int32_t blue);
void GetDrawColor(int32_t& red, int32_t& green, int32_t& blue);
void SetBlendMode(int32_t mode);
int32_t GetBlendMode();
void SetDrawAlpha(float alpha);
float GetDrawAlpha();
void SetLineThickness(float width);
float GetLineThickness();
void SetClearColor(int32_t red, int32_t green, int32_t blue);
void GetClearColor(int32_t& red, int32_t& green, int32_t& blue);
void SetDrawOrigin(float x, float y);
void GetDrawOrigin(float& x, float& y);
void SetDrawHandle(float x, float y);
// The stored (negated) values.
void GetDrawHandle(float& x, float& y);
void SetDrawRotation(float degrees);
float GetDrawRotation();
void SetDrawScale(float sx, float sy);
void GetDrawScale(float& sx, float& sy);
void SetDrawTransform(float degrees, float sx, float sy);
void SetViewArea(int32_t x, int32_t y, int32_t width, int32_t height);
void GetViewArea(int32_t& x, int32_t& y, int32_t& width, int32_t& height);
void SetImageMaskColor(int32_t red, int32_t green, int32_t blue);
void GetImageMaskColor(int32_t& red, int32_t& green, int32_t& blue);
// Null selects the default (built-in) font.
void UseFont(const TGlyphFontRef& font);
const TGlyphFontRef& CurrentFont();

// Module state read by the image functions.
int32_t AutoMidHandle();
int32_t DefaultImageFlags();

// Drawing.
void ClearScreen();
void DrawPoint(float x, float y);
void DrawLineSegment(float x0, float y0, float x1, float y1, int32_t drawLast = 1);
void DrawFilledRect(float x, float y, float width, float height);
void DrawFilledOval(float x, float y, float width, float height);
void DrawFilledPoly(const std::vector<float>& xy);
void DrawTextAt(const std::u16string& text, float x, float y);
void DrawImageAt(const TImageRef& image, float x, float y, int32_t frame = 0);
void DrawImageStretched(const TImageRef& image, float x, float y, float width, float height,
                        int32_t frame = 0);
void DrawImageTiled(const TImageRef& image, float x, float y, int32_t frame = 0);
void DrawPixmapAt(const TPixmapRef& pixmap, int32_t x, int32_t y);
TPixmapRef CapturePixmap(int32_t x, int32_t y, int32_t width, int32_t height);
