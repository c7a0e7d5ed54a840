// Collision layers: quads placed like drawn images, compared pixel by pixel in screen space.
#include "graphics/collision_layers.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "graphics/draw_graphics.h"

namespace {

// A frame or rectangle placed on the screen. The corners are the images of an axis-aligned
// local rectangle under an affine map, so the quad is a parallelogram: corner 0 plus
// u * (corner 1 - corner 0) + v * (corner 3 - corner 0) for u, v in [0, 1).
struct TQuad {
  TObjectRef id;
  // The frame's master pixmap; null for a solid rectangle.
  TPixmapRef pixmap;
  float x[4] = {}, y[4] = {};
  float minX = 0, minY = 0, maxX = 0, maxY = 0;
  // Screen offset from corner 0 to local (u, v).
  float inv00 = 0, inv01 = 0, inv10 = 0, inv11 = 0;
  bool degenerate = true;
};

struct TCollisionMatrix {
  float ix = 1, iy = 0, jx = 0, jy = 1;
};

TCollisionMatrix matrix;
// Cleared layers keep their storage, so refilling them does not allocate: that is the free list.
std::array<std::vector<TQuad>, 32> layers;

TQuad MakeQuad(float x0, float y0, float x1, float y1, float tx, float ty) {
  TQuad q;
  const float lx[4] = {x0, x1, x1, x0}, ly[4] = {y0, y0, y1, y1};
  for (int i = 0; i < 4; ++i) {
    q.x[i] = lx[i] * matrix.ix + ly[i] * matrix.iy + tx;
    q.y[i] = lx[i] * matrix.jx + ly[i] * matrix.jy + ty;
  }
  q.minX = *std::min_element(q.x, q.x + 4);
  q.maxX = *std::max_element(q.x, q.x + 4);
  q.minY = *std::min_element(q.y, q.y + 4);
  q.maxY = *std::max_element(q.y, q.y + 4);
  const double ax = q.x[1] - q.x[0], ay = q.y[1] - q.y[0];
  const double bx = q.x[3] - q.x[0], by = q.y[3] - q.y[0];
  const double det = ax * by - bx * ay;
  if (det != 0 && std::isfinite(det)) {
    q.inv00 = static_cast<float>(by / det);
    q.inv01 = static_cast<float>(-bx / det);
    q.inv10 = static_cast<float>(-ay / det);
    q.inv11 = static_cast<float>(ax / det);
    q.degenerate = false;
  }
  return q;
}

// Whether the point (px, py) lies inside the quad on one of its solid pixels.
bool SolidAt(const TQuad& q, float px, float py) {
  const float dx = px - q.x[0], dy = py - q.y[0];
  const float u = q.inv00 * dx + q.inv01 * dy;
  const float v = q.inv10 * dx + q.inv11 * dy;
  if (!(u >= 0 && u < 1 && v >= 0 && v < 1)) return false;
  if (!q.pixmap) return true;
  const TPixmap& p = *q.pixmap;
  const int32_t tx = std::min(static_cast<int32_t>(u * p.width), p.width - 1);
  const int32_t ty = std::min(static_cast<int32_t>(v * p.height), p.height - 1);
  return (q.pixmap->GetPixelARGB(tx, ty) >> 24) >= 128;
}

// Two quads overlap when some pixel centre lies on a solid pixel of both.
bool Overlap(const TQuad& a, const TQuad& b) {
  if (a.degenerate || b.degenerate) return false;
  const float left = std::max(a.minX, b.minX), right = std::min(a.maxX, b.maxX);
  const float top = std::max(a.minY, b.minY), bottom = std::min(a.maxY, b.maxY);
  if (!(left < right && top < bottom)) return false;
  // Pixel (px, py) is tested at its centre; only pixels whose centre lies in both boxes can
  // count.
  const int64_t x0 = static_cast<int64_t>(std::ceil(left - 0.5f));
  const int64_t x1 = static_cast<int64_t>(std::ceil(right - 0.5f));
  const int64_t y0 = static_cast<int64_t>(std::ceil(top - 0.5f));
  const int64_t y1 = static_cast<int64_t>(std::ceil(bottom - 0.5f));
  for (int64_t py = y0; py < y1; ++py) {
    const float cy = static_cast<float>(py) + 0.5f;
    for (int64_t px = x0; px < x1; ++px) {
      const float cx = static_cast<float>(px) + 0.5f;
      if (SolidAt(a, cx, cy) && SolidAt(b, cx, cy)) return true;
    }
  }
  return false;
}

void Origin(float& ox, float& oy) {
  const TDrawGraphicsRef& g = CurrentDrawGraphics();
  ox = g ? g->originX : 0;
  oy = g ? g->originY : 0;
}

std::vector<TObjectRef> Collide(TQuad quad, uint32_t collideMask, uint32_t writeMask,
                                const TObjectRef& id) {
  std::vector<TObjectRef> hits;
  for (int layer = 0; layer < 32; ++layer) {
    if (!(collideMask & (1u << layer))) continue;
    for (const TQuad& other : layers[layer]) {
      if (Overlap(quad, other)) hits.push_back(other.id);
    }
  }
  quad.id = id;
  for (int layer = 0; layer < 32; ++layer) {
    if (writeMask & (1u << layer)) layers[layer].push_back(quad);
  }
  return hits;
}

bool ImageQuad(const TImageRef& image, float x, float y, int32_t frame, TQuad& quad) {
  if (!image || frame < 0 || frame >= static_cast<int32_t>(image->pixmaps.size())) return false;
  float ox, oy;
  Origin(ox, oy);
  const float ax = image->handleX, ay = image->handleY;
  quad = MakeQuad(-ax, -ay, image->width - ax, image->height - ay, x + ox, y + oy);
  quad.pixmap = image->pixmaps[frame];
  // A frame without pixels has nothing solid.
  if (!quad.pixmap || quad.pixmap->width <= 0 || quad.pixmap->height <= 0) quad.degenerate = true;
  return true;
}

void SetMatrixFrom(float rotation, float sx, float sy) {
  const double r = static_cast<double>(rotation) * (3.14159265358979323846 / 180.0);
  const float s = static_cast<float>(std::sin(r)), c = static_cast<float>(std::cos(r));
  SetCollisionMatrix(c * sx, -s * sy, s * sx, c * sy);
}

}  // namespace

void SetCollisionMatrix(float ix, float iy, float jx, float jy) {
  matrix.ix = ix;
  matrix.iy = iy;
  matrix.jx = jx;
  matrix.jy = jy;
}

void ClearCollisionLayers(uint32_t mask) {
  if (mask == 0) mask = 0xFFFFFFFFu;
  for (int layer = 0; layer < 32; ++layer) {
    if (mask & (1u << layer)) layers[layer].clear();
  }
}

std::vector<TObjectRef> CollideImageLayers(const TImageRef& image, float x, float y, int32_t frame,
                                           uint32_t collideMask, uint32_t writeMask,
                                           const TObjectRef& id) {
  TQuad quad;
  if (!ImageQuad(image, x, y, frame, quad)) return {};
  return Collide(std::move(quad), collideMask, writeMask, id);
}

std::vector<TObjectRef> CollideRectLayers(float x, float y, float width, float height,
                                          uint32_t collideMask, uint32_t writeMask,
                                          const TObjectRef& id) {
  float ox, oy, hx = 0, hy = 0;
  Origin(ox, oy);
  GetDrawHandle(hx, hy);
  return Collide(MakeQuad(hx, hy, hx + width, hy + height, x + ox, y + oy), collideMask, writeMask,
                 id);
}

int32_t ImagesOverlap(const TImageRef& image1, float x1, float y1, int32_t frame1,
                      const TImageRef& image2, float x2, float y2, int32_t frame2) {
  const uint32_t layer31 = 1u << 31;
  ClearCollisionLayers(layer31);
  TQuad first, second;
  if (!ImageQuad(image1, x1, y1, frame1, first)) return 0;
  Collide(std::move(first), 0, layer31, nullptr);
  if (!ImageQuad(image2, x2, y2, frame2, second)) return 0;
  return Collide(std::move(second), layer31, 0, nullptr).empty() ? 0 : 1;
}

int32_t ImagesOverlapTransformed(const TImageRef& image1, float x1, float y1, int32_t frame1,
                                 float rotation1, float scaleX1, float scaleY1,
                                 const TImageRef& image2, float x2, float y2, int32_t frame2,
                                 float rotation2, float scaleX2, float scaleY2) {
  // Each quad is built with its own matrix; the draw state and the driver are not touched.
  const TCollisionMatrix saved = matrix;
  const uint32_t layer31 = 1u << 31;
  ClearCollisionLayers(layer31);
  TQuad first, second;
  SetMatrixFrom(rotation1, scaleX1, scaleY1);
  const bool haveFirst = ImageQuad(image1, x1, y1, frame1, first);
  SetMatrixFrom(rotation2, scaleX2, scaleY2);
  const bool haveSecond = ImageQuad(image2, x2, y2, frame2, second);
  matrix = saved;
  if (!haveFirst || !haveSecond) return 0;
  Collide(std::move(first), 0, layer31, nullptr);
  return Collide(std::move(second), layer31, 0, nullptr).empty() ? 0 : 1;
}
