// The 2D drawing state and the drawing operations over the current render driver.
#include "graphics/draw_graphics.h"

#include <cmath>

#include "graphics/collision_layers.h"
#include "graphics/glyph_font.h"
#include "graphics/image.h"

namespace {

TDrawGraphicsRef current;
TRenderDriverRef driver;
TGlyphFontRef defaultFont;
int32_t maskRed = 0, maskGreen = 0, maskBlue = 0;
int32_t autoMidHandle = 0;
int32_t defaultImageFlags = 0;

// Sprites set the same rotation frame after frame: keep the last sine and cosine.
float lastRotation = 0;
float lastSin = 0;
float lastCos = 1;

void SineCosine(float degrees, float& s, float& c) {
  if (degrees != lastRotation) {
    const double radians = static_cast<double>(degrees) * (3.14159265358979323846 / 180.0);
    lastSin = static_cast<float>(std::sin(radians));
    lastCos = static_cast<float>(std::cos(radians));
    lastRotation = degrees;
  }
  s = lastSin;
  c = lastCos;
}

// Rebuilds the matrix from rotation and scale and hands it to the driver and the collision
// layers.
void BuildMatrix(TDrawGraphics& g) {
  float s, c;
  SineCosine(g.rotation, s, c);
  g.ix = c * g.scaleX;
  g.iy = -s * g.scaleY;
  g.jx = s * g.scaleX;
  g.jy = c * g.scaleY;
  if (driver) driver->ApplyTransform(g.ix, g.iy, g.jx, g.jy);
  SetCollisionMatrix(g.ix, g.iy, g.jx, g.jy);
}

TGlyphFontRef& DefaultFont() {
  if (!defaultFont) defaultFont = TGlyphFont::BuiltIn();
  return defaultFont;
}

}  // namespace

// ---- TDrawGraphics

TDisplayDriverRef TDrawGraphics::OwnerDriver() {
  return driver;
}

void TDrawGraphics::QuerySettings(int32_t& width, int32_t& height, int32_t& depth, int32_t& hz,
                                  int32_t& flags) {
  if (!surface) {
    width = height = depth = hz = flags = 0;
    return;
  }
  surface->QuerySettings(width, height, depth, hz, flags);
}

void TDrawGraphics::Release() {
  if (!surface) return;
  // Hold the surface while it closes: it may be the last reference.
  TGraphicsRef s = surface;
  s->Release();
  surface = nullptr;
  driver = nullptr;
}

void TDrawGraphics::Reapply() {
  // The setters work on the current draw graphics and its driver only.
  if (current.get() != this) return;
  // Copies first: each setter writes the field it is given back into this object.
  const int32_t r = colorRed, g = colorGreen, b = colorBlue;
  const float a = alpha;
  const int32_t cr = clearRed, cg = clearGreen, cb = clearBlue;
  const float width = lineWidth, degrees = rotation, sx = scaleX, sy = scaleY;
  const int32_t vx = viewX, vy = viewY, vw = viewWidth, vh = viewHeight;
  const float ox = originX, oy = originY, hx = handleX, hy = handleY;
  const TGlyphFontRef f = font;
  const int32_t mode = blend;
  SetDrawColor(r, g, b);
  SetDrawAlpha(a);
  SetClearColor(cr, cg, cb);
  SetLineThickness(width);
  SetDrawRotation(degrees);
  SetDrawScale(sx, sy);
  SetViewArea(vx, vy, vw, vh);
  SetDrawOrigin(ox, oy);
  // The handle is stored negated; passing it back negated restores it as it was set.
  SetDrawHandle(-hx, -hy);
  UseFont(f);
  SetBlendMode(mode);
}

std::shared_ptr<TDrawGraphics> TDrawGraphics::Create(const TGraphicsRef& surface,
                                                     const TRenderDriverRef& driver) {
  auto g = std::make_shared<TDrawGraphics>();
  g->surface = surface;
  g->driver = driver;
  return g;
}

// ---- Binding

void BindDrawGraphics(const TGraphicsRef& graphics) {
  current = std::dynamic_pointer_cast<TDrawGraphics>(graphics);
  if (!current) {
    driver = nullptr;
  } else {
    driver = std::dynamic_pointer_cast<TRenderDriver>(current->OwnerDriver());
    if (!driver) current = nullptr;
  }
  if (!current || current->initialised) return;

  DefaultFont();
  SetBlendMode(BLEND_MASK);
  SetDrawColor(255, 255, 255);
  SetClearColor(0, 0, 0);
  SetImageMaskColor(0, 0, 0);
  SetDrawAlpha(1.0f);
  SetDrawOrigin(0, 0);
  SetDrawHandle(0, 0);
  SetViewArea(0, 0, ScreenWidth(), ScreenHeight());
  SetDrawTransform(0, 1.0f, 1.0f);
  SetLineThickness(1.0f);
  SetAutoMidHandle(0);
  SetDefaultImageFlags(ImageFlagMasked | ImageFlagFiltered);
  UseFont(defaultFont);

  // Both buffers start black.
  ClearScreen();
  FlipScreen(0);
  ClearScreen();
  FlipScreen(0);
  // FlipScreen may have run hooks that switched surfaces.
  if (current) current->initialised = 1;
}

const TDrawGraphicsRef& CurrentDrawGraphics() {
  return current;
}
const TRenderDriverRef& CurrentRenderDriver() {
  return driver;
}

// ---- State
//
// Every operation needs a current draw graphics; without one (no graphics open) setters do
// nothing and getters answer zeros, rather than fault.

void SetDrawColor(int32_t red, int32_t green, int32_t blue) {
  if (!current) return;
  current->colorRed = red;
  current->colorGreen = green;
  current->colorBlue = blue;
  driver->ApplyColor(red, green, blue);
}

void GetDrawColor(int32_t& red, int32_t& green, int32_t& blue) {
  red = current ? current->colorRed : 0;
  green = current ? current->colorGreen : 0;
  blue = current ? current->colorBlue : 0;
}

void SetBlendMode(int32_t mode) {
  if (!current) return;
  current->blend = mode;
  driver->ApplyBlend(mode);
}

int32_t GetBlendMode() {
  return current ? current->blend : 0;
}

void SetDrawAlpha(float alpha) {
  if (!current) return;
  current->alpha = alpha;
  driver->ApplyAlpha(alpha);
}

float GetDrawAlpha() {
  return current ? current->alpha : 0;
}

void SetLineThickness(float width) {
  if (!current) return;
  current->lineWidth = width;
  driver->ApplyLineWidth(width);
}

float GetLineThickness() {
  return current ? current->lineWidth : 0;
}

void SetClearColor(int32_t red, int32_t green, int32_t blue) {
  if (!current) return;
  current->clearRed = red;
  current->clearGreen = green;
  current->clearBlue = blue;
  driver->ApplyClearColor(red, green, blue);
}

void GetClearColor(int32_t& red, int32_t& green, int32_t& blue) {
  red = current ? current->clearRed : 0;
  green = current ? current->clearGreen : 0;
  blue = current ? current->clearBlue : 0;
}

void SetDrawOrigin(float x, float y) {
  if (!current) return;
  current->originX = x;
  current->originY = y;
}

void GetDrawOrigin(float& x, float& y) {
  x = current ? current->originX : 0;
  y = current ? current->originY : 0;
}

void SetDrawHandle(float x, float y) {
  if (!current) return;
  current->handleX = -x;
  current->handleY = -y;
}

void GetDrawHandle(float& x, float& y) {
  x = current ? current->handleX : 0;
  y = current ? current->handleY : 0;
}

void SetDrawRotation(float degrees) {
  if (!current) return;
  current->rotation = degrees;
  BuildMatrix(*current);
}

float GetDrawRotation() {
  return current ? current->rotation : 0;
}

void SetDrawScale(float sx, float sy) {
  if (!current) return;
  current->scaleX = sx;
  current->scaleY = sy;
  BuildMatrix(*current);
}

void GetDrawScale(float& sx, float& sy) {
  sx = current ? current->scaleX : 0;
  sy = current ? current->scaleY : 0;
}

void SetDrawTransform(float degrees, float sx, float sy) {
  if (!current) return;
  current->rotation = degrees;
  current->scaleX = sx;
  current->scaleY = sy;
  BuildMatrix(*current);
}

void SetViewArea(int32_t x, int32_t y, int32_t width, int32_t height) {
  if (!current) return;
  current->viewX = x;
  current->viewY = y;
  current->viewWidth = width;
  current->viewHeight = height;
  driver->ApplyViewport(x, y, width, height);
}

void GetViewArea(int32_t& x, int32_t& y, int32_t& width, int32_t& height) {
  x = current ? current->viewX : 0;
  y = current ? current->viewY : 0;
  width = current ? current->viewWidth : 0;
  height = current ? current->viewHeight : 0;
}

void SetImageMaskColor(int32_t red, int32_t green, int32_t blue) {
  maskRed = red;
  maskGreen = green;
  maskBlue = blue;
}

void GetImageMaskColor(int32_t& red, int32_t& green, int32_t& blue) {
  red = maskRed;
  green = maskGreen;
  blue = maskBlue;
}

void UseFont(const TGlyphFontRef& font) {
  if (!current) return;
  current->font = font ? font : DefaultFont();
}

const TGlyphFontRef& CurrentFont() {
  static const TGlyphFontRef none;
  return current ? current->font : none;
}

int32_t AutoMidHandle() {
  return autoMidHandle;
}
int32_t DefaultImageFlags() {
  return defaultImageFlags;
}

void SetAutoMidHandle(int32_t on) {
  autoMidHandle = on;
}

void SetDefaultImageFlags(int32_t flags) {
  if (flags != -1) defaultImageFlags = flags;
}

// ---- Drawing

void ClearScreen() {
  if (current) driver->ClearBuffer();
}

void DrawPoint(float x, float y) {
  if (!current) return;
  driver->PlotPoint(x + current->originX, y + current->originY);
}

void DrawLineSegment(float x0, float y0, float x1, float y1, int32_t drawLast) {
  if (!current) return;
  const TDrawGraphics& g = *current;
  const float a = g.handleX + x1 - x0;
  const float b = g.handleY + y1 - y0;
  const float tx = x0 + g.originX, ty = y0 + g.originY;
  driver->StrokeLine(g.handleX, g.handleY, a, b, tx, ty);
  if (drawLast) driver->PlotPoint(tx + a * g.ix + b * g.iy, ty + a * g.jx + b * g.jy);
}

void DrawFilledRect(float x, float y, float width, float height) {
  if (!current) return;
  const TDrawGraphics& g = *current;
  driver->FillQuad(g.handleX, g.handleY, g.handleX + width, g.handleY + height, x + g.originX,
                   y + g.originY);
}

void DrawFilledOval(float x, float y, float width, float height) {
  if (!current) return;
  const TDrawGraphics& g = *current;
  driver->FillEllipse(g.handleX, g.handleY, g.handleX + width, g.handleY + height, x + g.originX,
                      y + g.originY);
}

void DrawFilledPoly(const std::vector<float>& xy) {
  if (!current) return;
  driver->FillPolygon(xy, current->handleX, current->handleY, current->originX, current->originY);
}

void DrawTextAt(const std::u16string& text, float x, float y) {
  if (!current || !current->font) return;
  const TDrawGraphics& g = *current;
  const float hx = g.handleX, hy = g.handleY;
  current->font->DrawString(text, x + g.originX + hx * g.ix + hy * g.iy,
                            y + g.originY + hx * g.jx + hy * g.jy, g.ix, g.iy, g.jx, g.jy);
}

void DrawImageAt(const TImageRef& image, float x, float y, int32_t frame) {
  if (!image) return;
  DrawImageStretched(image, x, y, static_cast<float>(image->width),
                     static_cast<float>(image->height), frame);
}

void DrawImageStretched(const TImageRef& image, float x, float y, float width, float height,
                        int32_t frame) {
  if (!current || !image) return;
  TImageFrameRef f = image->GetFrame(frame);
  if (!f) return;
  const float ax = image->handleX, ay = image->handleY;
  f->DrawQuad(-ax, -ay, width - ax, height - ay, x + current->originX, y + current->originY);
}

void DrawImageTiled(const TImageRef& image, float x, float y, int32_t frame) {
  if (!current || !image) return;
  const int32_t w = image->width, h = image->height;
  // A side of 0 would divide by zero and never advance.
  if (w <= 0 || h <= 0) return;
  const float fx = x + current->originX - image->handleX;
  const float fy = y + current->originY - image->handleY;
  if (!std::isfinite(fx) || !std::isfinite(fy)) return;
  TImageFrameRef f = image->GetFrame(frame);
  if (!f) return;

  TDrawGraphics& g = *current;
  // Tiles are never rotated or scaled.
  driver->ApplyTransform(1, 0, 0, 1);
  const int32_t sx = g.viewX - w + 1, sy = g.viewY - h + 1;
  const double floorX = std::floor(static_cast<double>(fx));
  const double floorY = std::floor(static_cast<double>(fy));
  const float px = static_cast<float>(fx - floorX), py = static_cast<float>(fy - floorY);
  // The first tile start at or after (sx, sy) that lies on the tile grid through (fx, fy). A
  // non-negative remainder keeps column and row 0 when the offset is an exact multiple.
  double kx = std::fmod(floorX - sx, static_cast<double>(w));
  double ky = std::fmod(floorY - sy, static_cast<double>(h));
  if (kx < 0) kx += w;
  if (ky < 0) ky += h;
  const int64_t firstX = sx + static_cast<int64_t>(kx);
  const int64_t firstY = sy + static_cast<int64_t>(ky);
  const int64_t endX = static_cast<int64_t>(g.viewX) + g.viewWidth;
  const int64_t endY = static_cast<int64_t>(g.viewY) + g.viewHeight;
  const float fw = static_cast<float>(w), fh = static_cast<float>(h);
  for (int64_t r = firstY; r < endY; r += h) {
    for (int64_t c = firstX; c < endX; c += w) {
      f->DrawQuad(0, 0, fw, fh, static_cast<float>(c) + px, static_cast<float>(r) + py);
    }
  }
  BuildMatrix(g);
}

void DrawPixmapAt(const TPixmapRef& pixmap, int32_t x, int32_t y) {
  if (!current || !pixmap) return;
  driver->BlitPixmap(pixmap, x, y);
}

TPixmapRef CapturePixmap(int32_t x, int32_t y, int32_t width, int32_t height) {
  if (!current) return nullptr;
  return driver->ReadPixels(x, y, width, height);
}
