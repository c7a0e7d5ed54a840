// TGLRenderDriver: the render driver on OpenGL's fixed-function pipeline, over GLGraphicsDriver.
// Consecutive primitives that share texture and state are queued and drawn in one call; small
// frames live as cells of a few shared texture pages so that drawing many of them needs no
// texture switch.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/render_driver.h"

struct TTexturePage;

// The frame of this driver: a texture in the shared context, or a cell of a shared page.
class TGLTextureFrame : public TImageFrame {
 public:
  ~TGLTextureFrame() override;
  void DrawQuad(float x0, float y0, float x1, float y1, float tx, float ty) override;

  // Texture coordinates of the picture's corners. On a texture of its own uMin and vMin are 0;
  // on a page they are the cell's corner.
  float uMin = 0, vMin = 0, uMax = 0, vMax = 0;
  uint32_t texture = 0;
  // GraphicsSequence when the frame was made; 0 once its texture is gone.
  int32_t sequence = 0;
  // The page and cell the frame lives in, or null for a texture of its own.
  TTexturePage* page = nullptr;
  int32_t cell = -1;
};
using TGLTextureFrameRef = std::shared_ptr<TGLTextureFrame>;

class TGLRenderDriver : public TRenderDriver {
 public:
  std::u16string ToString() const override { return u"OpenGL"; }

  std::vector<TGraphicsMode> ListModes() override;
  bool DesktopMode(TGraphicsMode& mode) override;
  TGraphicsRef AttachToWidget(void* widget, int32_t flags) override;
  TGraphicsRef CreateSurface(int32_t width, int32_t height, int32_t depth, int32_t hz,
                             int32_t flags) override;
  void MakeCurrent(const TGraphicsRef& graphics) override;
  void Present(int32_t sync) override;

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
  // Null for a width or height of 0 or less.
  TPixmapRef ReadPixels(int32_t x, int32_t y, int32_t width, int32_t height) override;

  // Draws whatever is queued. Everything here that reads the frame buffer or changes state
  // does it first; code that calls OpenGL itself on the drawing context must too.
  void Flush();

  // Whether frames of at most kMaxPagedSide on each side go to shared pages (the default) or
  // get a texture of their own. Affects frames made afterwards.
  void SetTexturePages(bool on) { pages_on_ = on; }
  bool TexturePages() const { return pages_on_; }
  // The number of points of the last ellipse or polygon drawn.
  int32_t LastPolygonPoints() const { return last_polygon_points_; }
  // The colour bytes r, g, b, a that the next primitive is drawn with.
  const uint8_t* ColorBytes() const { return color_; }

  static constexpr int32_t kPageSize = 1024;
  static constexpr int32_t kMaxPagedSide = 64;
  // An ellipse never has more points than this, however large its radii.
  static constexpr int32_t kMaxEllipsePoints = 16384;

  // Used by frames.
  void TextureOn(uint32_t texture);
  void QueueTexturedQuad(const TGLTextureFrame& frame, float x0, float y0, float x1, float y1,
                         float tx, float ty);
  void ReleaseFrame(TGLTextureFrame& frame);

 private:
  struct TVertex {
    float x, y, u, v;
    uint8_t rgba[4];
  };
  static constexpr int32_t kBatchVertices = 4096;

  void TextureOff();
  // Room for count vertices of this primitive kind in the queue; returns where they go.
  TVertex* Queue(uint32_t mode, int32_t count);
  void DrawPolygonPoints();
  void FitTextureSize(int32_t& width, int32_t& height);
  void MakeOwnTexture(TGLTextureFrame& frame, const TPixmapRef& pixmap, int32_t tw, int32_t th,
                      int32_t flags);
  bool PlaceOnPage(TGLTextureFrame& frame, const TPixmapRef& pixmap, int32_t tw, int32_t th,
                   int32_t flags);
  void DeletePage(TTexturePage* page);

  int32_t blend_ = 0;
  uint32_t bound_ = 0;
  int32_t texturing_ = 0;
  uint8_t color_[4] = {0, 0, 0, 0};
  float ix_ = 0, iy_ = 0, jx_ = 0, jy_ = 0;
  float line_width_ = -1;

  TVertex batch_[kBatchVertices];
  int32_t batch_count_ = 0;
  uint32_t batch_mode_ = 0;
  std::vector<TVertex> polygon_;
  int32_t last_polygon_points_ = 0;

  bool pages_on_ = true;
  std::vector<std::unique_ptr<TTexturePage>> pages_;
};
using TGLRenderDriverRef = std::shared_ptr<TGLRenderDriver>;

// The one driver, made on first call.
const TGLRenderDriverRef& GLRenderDriver();
