// TGLRenderDriver: 2D drawing on OpenGL 1.1 with a queue of same-state primitives and shared
// texture pages for small frames.
#include "graphics/gl_render_driver.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "graphics/draw_graphics.h"
#include "graphics/gl_graphics_driver.h"
#include "runtime/runtime_error.h"

// A texture shared by many small frames. Each frame has a cell of its own, whose content around
// the picture repeats the picture's edge, so that filtering reads exactly the texels a texture
// of its own would give it (clamped at the edges). Pages are kept apart by filtering and by the
// side class S (the fitted texture size's larger side): a mipmapped page stops at the level where
// its cells are one texel, as the frames' own textures would.
struct TTexturePage {
  uint32_t texture = 0;
  int32_t flags = 0;   // the frame flags that matter to a texture: 2 and 4
  int32_t side = 0;    // S
  int32_t levels = 1;  // 1 + log2(S) when mipmapped
  int32_t cellSide = 0;
  int32_t perRow = 0;
  int32_t capacity = 0;
  int32_t nextUnused = 0;
  int32_t used = 0;
  std::vector<int32_t> freeCells;
};

namespace {

bool TextureFits(int32_t width, int32_t height) {
  glTexImage2D(GL_PROXY_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
               nullptr);
  GLint got = 0;
  glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &got);
  return got != 0;
}

int32_t PowerOfTwoAtLeast(int32_t value) {
  int32_t p = 1;
  while (p < value && p < (1 << 30)) p <<= 1;
  return p;
}

int32_t Log2(int32_t power) {
  int32_t n = 0;
  while ((1 << n) < power) ++n;
  return n;
}

uint8_t ClampByte(int32_t value) {
  return static_cast<uint8_t>(std::clamp(value, 0, 255));
}

// What a texture of tw x th holds for this picture: the picture at (0, 0), its last column and
// row repeated once beyond it, the rest transparent black. The picture itself when it fills the
// texture. Always RGBA8888.
TPixmapRef PaddedPicture(const TPixmapRef& picture, int32_t tw, int32_t th) {
  const int32_t w = picture->width, h = picture->height;
  if (w == tw && h == th) {
    return picture->format == PF_RGBA8888 ? picture : picture->ToFormat(PF_RGBA8888);
  }
  TPixmapRef t = NewPixmap(tw, th, PF_RGBA8888, 4);
  std::memset(t->pixels, 0, static_cast<size_t>(t->pitch) * static_cast<size_t>(th));
  t->PasteFrom(picture, 0, 0);
  if (w < tw) t->PasteFrom(picture->SubView(w - 1, 0, 1, h), w, 0);
  if (h < th) {
    t->PasteFrom(picture->SubView(0, h - 1, w, 1), 0, h);
    if (w < tw) t->PasteFrom(picture->SubView(w - 1, h - 1, 1, 1), w, h);
  }
  return t;
}

// The next mipmap level: both sides halved while both are above 1, else the one above 1.
TPixmapRef NextLevel(const TPixmapRef& level) {
  const int32_t w = level->width > 1 ? level->width / 2 : 1;
  const int32_t h = level->height > 1 ? level->height / 2 : 1;
  return ResamplePixmap(level, w, h);
}

// Writes an RGBA8888 pixmap into level of the bound texture at (x, y).
void UploadAt(const TPixmapRef& pixmap, int32_t level, int32_t x, int32_t y) {
  glPixelStorei(GL_UNPACK_ROW_LENGTH, pixmap->pitch / BytesPerPixel[pixmap->format]);
  glTexSubImage2D(GL_TEXTURE_2D, level, x, y, pixmap->width, pixmap->height, GL_RGBA,
                  GL_UNSIGNED_BYTE, pixmap->pixels);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

// A size x size block holding picture at (offset, offset) and, everywhere else, the picture's
// nearest pixel: clamp-to-edge written out.
TPixmapRef ClampedBlock(const TPixmapRef& picture, int32_t size, int32_t offset) {
  TPixmapRef block = NewPixmap(size, size, PF_RGBA8888, 4);
  const int32_t w = picture->width, h = picture->height;
  for (int32_t y = 0; y < size; ++y) {
    const int32_t sy = std::clamp(y - offset, 0, h - 1);
    const uint32_t* source = reinterpret_cast<const uint32_t*>(picture->PixelAddress(0, sy));
    uint32_t* row = reinterpret_cast<uint32_t*>(block->PixelAddress(0, y));
    for (int32_t x = 0; x < size; ++x) row[x] = source[std::clamp(x - offset, 0, w - 1)];
  }
  return block;
}

void SetFilters(int32_t flags, int32_t maxLevel) {
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, (flags & 2) ? GL_LINEAR : GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                  (flags & 4) ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST);
  if (flags & 4) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, maxLevel);
}

}  // namespace

// ---- Frames ----

TGLTextureFrame::~TGLTextureFrame() {
  if (sequence != 0 && !GLDriverShutDown()) GLRenderDriver()->ReleaseFrame(*this);
}

void TGLTextureFrame::DrawQuad(float x0, float y0, float x1, float y1, float tx, float ty) {
  TGLRenderDriver& driver = *GLRenderDriver();
  driver.TextureOn(texture);
  driver.QueueTexturedQuad(*this, x0, y0, x1, y1, tx, ty);
}

// ---- Display operations ----

std::vector<TGraphicsMode> TGLRenderDriver::ListModes() {
  return GLGraphicsDriver()->ListModes();
}

bool TGLRenderDriver::DesktopMode(TGraphicsMode& mode) {
  return GLGraphicsDriver()->DesktopMode(mode);
}

TGraphicsRef TGLRenderDriver::AttachToWidget(void* widget, int32_t flags) {
  TGraphicsRef surface = GLGraphicsDriver()->AttachToWidget(widget, flags);
  if (!surface) return nullptr;
  return TDrawGraphics::Create(surface,
                               std::static_pointer_cast<TRenderDriver>(shared_from_this()));
}

TGraphicsRef TGLRenderDriver::CreateSurface(int32_t width, int32_t height, int32_t depth,
                                            int32_t hz, int32_t flags) {
  // Creating a context switches contexts: what is queued belongs to the current one.
  Flush();
  TGraphicsRef surface = GLGraphicsDriver()->CreateSurface(width, height, depth, hz, flags);
  if (!surface) return nullptr;
  return TDrawGraphics::Create(surface,
                               std::static_pointer_cast<TRenderDriver>(shared_from_this()));
}

void TGLRenderDriver::MakeCurrent(const TGraphicsRef& graphics) {
  Flush();
  auto draw = std::dynamic_pointer_cast<TDrawGraphics>(graphics);
  if (!draw) {
    GLGraphicsDriver()->MakeCurrent(nullptr);
    return;
  }
  GLGraphicsDriver()->MakeCurrent(draw->surface);

  blend_ = 0;
  bound_ = 0;
  texturing_ = 0;
  line_width_ = -1;
  glDisable(GL_TEXTURE_2D);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, ScreenWidth(), ScreenHeight(), 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glViewport(0, 0, ScreenWidth(), ScreenHeight());
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);

  BindDrawGraphics(draw);
  ApplyViewport(draw->viewX, draw->viewY, draw->viewWidth, draw->viewHeight);
  ApplyTransform(draw->ix, draw->iy, draw->jx, draw->jy);
  ApplyColor(draw->colorRed, draw->colorGreen, draw->colorBlue);
  ApplyAlpha(draw->alpha);
}

void TGLRenderDriver::Present(int32_t sync) {
  Flush();
  GLGraphicsDriver()->Present(sync);
}

// ---- Frames from pixmaps ----

void TGLRenderDriver::FitTextureSize(int32_t& width, int32_t& height) {
  width = PowerOfTwoAtLeast(width);
  height = PowerOfTwoAtLeast(height);
  while (!TextureFits(width, height)) {
    if (width == 1 && height == 1) RuntimeError("Unable to calculate tex size");
    if (width > 1) width /= 2;
    if (height > 1) height /= 2;
  }
}

TImageFrameRef TGLRenderDriver::CreateFrame(const TPixmapRef& pixmap, int32_t flags) {
  Flush();
  flags &= 6;
  auto frame = std::make_shared<TGLTextureFrame>();
  TGLGraphicsDriver& display = *GLGraphicsDriver();
  display.ToggleSharedContext();
  try {
    TPixmapRef picture = pixmap;
    // A picture without pixels becomes one transparent texel rather than a texture of no size.
    if (!picture || picture->width <= 0 || picture->height <= 0) {
      picture = NewPixmap(1, 1, PF_RGBA8888, 4);
      std::memset(picture->pixels, 0, static_cast<size_t>(picture->pitch));
    }
    int32_t tw = picture->width, th = picture->height;
    FitTextureSize(tw, th);
    const int32_t w = std::min(picture->width, tw), h = std::min(picture->height, th);
    if (w != picture->width || h != picture->height) picture = ResamplePixmap(picture, w, h);
    if (!(pages_on_ && tw <= kMaxPagedSide && th <= kMaxPagedSide &&
          PlaceOnPage(*frame, picture, tw, th, flags))) {
      MakeOwnTexture(*frame, picture, tw, th, flags);
    }
  } catch (...) {
    display.ToggleSharedContext();
    throw;
  }
  display.ToggleSharedContext();
  frame->sequence = GraphicsSequence();
  // The drawing context sees new texels of a texture only once it binds it again.
  if (frame->texture == bound_) bound_ = 0;
  return frame;
}

void TGLRenderDriver::MakeOwnTexture(TGLTextureFrame& frame, const TPixmapRef& picture, int32_t tw,
                                     int32_t th, int32_t flags) {
  TPixmapRef level = PaddedPicture(picture, tw, th);
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  SetFilters(flags, 1000);
  for (int32_t l = 0, w = tw, h = th;; ++l) {
    glTexImage2D(GL_TEXTURE_2D, l, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    if (!(flags & 4) || (w == 1 && h == 1)) break;
    w = w > 1 ? w / 2 : 1;
    h = h > 1 ? h / 2 : 1;
  }
  for (int32_t l = 0;; ++l) {
    UploadAt(level, l, 0, 0);
    if (!(flags & 4) || (level->width == 1 && level->height == 1)) break;
    level = NextLevel(level);
  }
  frame.texture = name;
  frame.uMin = frame.vMin = 0;
  frame.uMax = static_cast<float>(picture->width) / static_cast<float>(tw);
  frame.vMax = static_cast<float>(picture->height) / static_cast<float>(th);
}

bool TGLRenderDriver::PlaceOnPage(TGLTextureFrame& frame, const TPixmapRef& picture, int32_t tw,
                                  int32_t th, int32_t flags) {
  const int32_t side = std::max(tw, th);
  const bool mipmapped = (flags & 4) != 0;
  TTexturePage* page = nullptr;
  for (auto& candidate : pages_) {
    if (candidate->flags == flags && candidate->side == side &&
        (!candidate->freeCells.empty() || candidate->nextUnused < candidate->capacity)) {
      page = candidate.get();
      break;
    }
  }
  if (!page) {
    if (!TextureFits(kPageSize, kPageSize)) return false;
    auto made = std::make_unique<TTexturePage>();
    made->flags = flags;
    made->side = side;
    made->levels = mipmapped ? Log2(side) + 1 : 1;
    // A mipmapped cell keeps a gutter as wide as the picture's texture on every side, so that
    // down to the last level each cell is still framed by one texel of its own edge.
    made->cellSide = mipmapped ? 3 * side : side + 2;
    made->perRow = kPageSize / made->cellSide;
    made->capacity = made->perRow * made->perRow;
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    SetFilters(flags, made->levels - 1);
    std::vector<uint8_t> zeros(static_cast<size_t>(kPageSize) * kPageSize * 4, 0);
    for (int32_t l = 0; l < made->levels; ++l) {
      glTexImage2D(GL_TEXTURE_2D, l, GL_RGBA8, kPageSize >> l, kPageSize >> l, 0, GL_RGBA,
                   GL_UNSIGNED_BYTE, zeros.data());
    }
    made->texture = name;
    page = made.get();
    pages_.push_back(std::move(made));
  }

  int32_t cell;
  if (!page->freeCells.empty()) {
    cell = page->freeCells.back();
    page->freeCells.pop_back();
  } else {
    cell = page->nextUnused++;
  }
  ++page->used;
  const int32_t cx = (cell % page->perRow) * page->cellSide;
  const int32_t cy = (cell / page->perRow) * page->cellSide;
  glBindTexture(GL_TEXTURE_2D, page->texture);
  const float scale = 1.0f / static_cast<float>(kPageSize);
  if (!mipmapped) {
    TPixmapRef rgba = picture->format == PF_RGBA8888 ? picture : picture->ToFormat(PF_RGBA8888);
    // The picture with a one-texel frame of its own edge: left and top as the clamp of its own
    // texture gives, right and bottom as its repeated last column and row.
    TPixmapRef block = ClampedBlock(rgba, page->cellSide, 1);
    UploadAt(block->SubView(0, 0, rgba->width + 2, rgba->height + 2), 0, cx, cy);
    frame.uMin = static_cast<float>(cx + 1) * scale;
    frame.vMin = static_cast<float>(cy + 1) * scale;
  } else {
    // Every level of the texture the frame would have had, each clamped over its cell.
    TPixmapRef level = PaddedPicture(picture, tw, th);
    for (int32_t l = 0; l < page->levels; ++l) {
      UploadAt(ClampedBlock(level, page->cellSide >> l, side >> l), l, cx >> l, cy >> l);
      if (l + 1 < page->levels) level = NextLevel(level);
    }
    frame.uMin = static_cast<float>(cx + side) * scale;
    frame.vMin = static_cast<float>(cy + side) * scale;
  }
  frame.uMax = frame.uMin + static_cast<float>(picture->width) * scale;
  frame.vMax = frame.vMin + static_cast<float>(picture->height) * scale;
  frame.texture = page->texture;
  frame.page = page;
  frame.cell = cell;
  return true;
}

void TGLRenderDriver::ReleaseFrame(TGLTextureFrame& frame) {
  frame.sequence = 0;
  if (frame.page) {
    TTexturePage* page = frame.page;
    frame.page = nullptr;
    page->freeCells.push_back(frame.cell);
    if (--page->used == 0) DeletePage(page);
    return;
  }
  Flush();
  GLGraphicsDriver()->ToggleSharedContext();
  GLuint name = frame.texture;
  glDeleteTextures(1, &name);
  GLGraphicsDriver()->ToggleSharedContext();
  if (bound_ == frame.texture) bound_ = 0;
}

void TGLRenderDriver::DeletePage(TTexturePage* page) {
  Flush();
  GLGraphicsDriver()->ToggleSharedContext();
  GLuint name = page->texture;
  glDeleteTextures(1, &name);
  GLGraphicsDriver()->ToggleSharedContext();
  if (bound_ == page->texture) bound_ = 0;
  pages_.erase(std::remove_if(pages_.begin(), pages_.end(),
                              [page](const auto& p) { return p.get() == page; }),
               pages_.end());
}

// ---- State ----

void TGLRenderDriver::TextureOn(uint32_t texture) {
  if (texture != bound_) {
    Flush();
    glBindTexture(GL_TEXTURE_2D, texture);
    bound_ = texture;
  }
  if (!texturing_) {
    Flush();
    glEnable(GL_TEXTURE_2D);
    texturing_ = 1;
  }
}

void TGLRenderDriver::TextureOff() {
  if (texturing_) {
    Flush();
    glDisable(GL_TEXTURE_2D);
    texturing_ = 0;
  }
}

void TGLRenderDriver::ApplyBlend(int32_t mode) {
  if (mode == blend_) return;
  Flush();
  blend_ = mode;
  switch (mode) {
    case BLEND_MASK:
      glDisable(GL_BLEND);
      glEnable(GL_ALPHA_TEST);
      glAlphaFunc(GL_GEQUAL, 0.5f);
      break;
    case BLEND_ALPHA:
      glEnable(GL_BLEND);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      glDisable(GL_ALPHA_TEST);
      break;
    case BLEND_LIGHT:
      glEnable(GL_BLEND);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE);
      glDisable(GL_ALPHA_TEST);
      break;
    case BLEND_SHADE:
      glEnable(GL_BLEND);
      glBlendFunc(GL_DST_COLOR, GL_ZERO);
      glDisable(GL_ALPHA_TEST);
      break;
    default:
      glDisable(GL_BLEND);
      glDisable(GL_ALPHA_TEST);
      break;
  }
}

// Colour and alpha travel with every vertex, so changing them needs no OpenGL call and breaks
// no queue.
void TGLRenderDriver::ApplyAlpha(float alpha) {
  float a = alpha;
  if (a > 1) a = 1;
  if (!(a >= 0)) a = 0;  // also NaN
  color_[3] = static_cast<uint8_t>(a * 255.0f);
}

void TGLRenderDriver::ApplyColor(int32_t red, int32_t green, int32_t blue) {
  color_[0] = ClampByte(red);
  color_[1] = ClampByte(green);
  color_[2] = ClampByte(blue);
}

void TGLRenderDriver::ApplyClearColor(int32_t red, int32_t green, int32_t blue) {
  glClearColor(ClampByte(red) / 255.0f, ClampByte(green) / 255.0f, ClampByte(blue) / 255.0f, 1.0f);
}

void TGLRenderDriver::ApplyViewport(int32_t x, int32_t y, int32_t width, int32_t height) {
  Flush();
  if (x == 0 && y == 0 && width == ScreenWidth() && height == ScreenHeight()) {
    glDisable(GL_SCISSOR_TEST);
    return;
  }
  // A negative side would be refused and leave the previous box in force: it is empty instead.
  width = std::max(width, 0);
  height = std::max(height, 0);
  glEnable(GL_SCISSOR_TEST);
  glScissor(x, ScreenHeight() - y - height, width, height);
}

void TGLRenderDriver::ApplyTransform(float ix, float iy, float jx, float jy) {
  ix_ = ix;
  iy_ = iy;
  jx_ = jx;
  jy_ = jy;
}

void TGLRenderDriver::ApplyLineWidth(float width) {
  if (width == line_width_) return;
  Flush();
  line_width_ = width;
  glLineWidth(width);
}

// ---- Drawing ----

void TGLRenderDriver::Flush() {
  if (batch_count_ == 0) return;
  glVertexPointer(2, GL_FLOAT, sizeof(TVertex), &batch_[0].x);
  glTexCoordPointer(2, GL_FLOAT, sizeof(TVertex), &batch_[0].u);
  glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(TVertex), batch_[0].rgba);
  glDrawArrays(batch_mode_, 0, batch_count_);
  batch_count_ = 0;
}

TGLRenderDriver::TVertex* TGLRenderDriver::Queue(uint32_t mode, int32_t count) {
  if (mode != batch_mode_ || batch_count_ + count > kBatchVertices) {
    Flush();
    batch_mode_ = mode;
  }
  TVertex* v = batch_ + batch_count_;
  batch_count_ += count;
  return v;
}

void TGLRenderDriver::QueueTexturedQuad(const TGLTextureFrame& frame, float x0, float y0, float x1,
                                        float y1, float tx, float ty) {
  TVertex* v = Queue(GL_QUADS, 4);
  const uint32_t rgba = *reinterpret_cast<const uint32_t*>(color_);
  auto put = [&](TVertex& vertex, float x, float y, float u, float t) {
    vertex.x = x * ix_ + y * iy_ + tx;
    vertex.y = x * jx_ + y * jy_ + ty;
    vertex.u = u;
    vertex.v = t;
    std::memcpy(vertex.rgba, &rgba, 4);
  };
  put(v[0], x0, y0, frame.uMin, frame.vMin);
  put(v[1], x1, y0, frame.uMax, frame.vMin);
  put(v[2], x1, y1, frame.uMax, frame.vMax);
  put(v[3], x0, y1, frame.uMin, frame.vMax);
}

void TGLRenderDriver::ClearBuffer() {
  Flush();
  glClear(GL_COLOR_BUFFER_BIT);
}

void TGLRenderDriver::PlotPoint(float x, float y) {
  TextureOff();
  TVertex* v = Queue(GL_POINTS, 1);
  *v = {x + 0.5f, y + 0.5f, 0, 0, {color_[0], color_[1], color_[2], color_[3]}};
}

void TGLRenderDriver::StrokeLine(float x0, float y0, float x1, float y1, float tx, float ty) {
  TextureOff();
  TVertex* v = Queue(GL_LINES, 2);
  v[0] = {x0 * ix_ + y0 * iy_ + tx + 0.5f,
          x0 * jx_ + y0 * jy_ + ty + 0.5f,
          0,
          0,
          {color_[0], color_[1], color_[2], color_[3]}};
  v[1] = {x1 * ix_ + y1 * iy_ + tx + 0.5f,
          x1 * jx_ + y1 * jy_ + ty + 0.5f,
          0,
          0,
          {color_[0], color_[1], color_[2], color_[3]}};
}

void TGLRenderDriver::FillQuad(float x0, float y0, float x1, float y1, float tx, float ty) {
  TextureOff();
  TVertex* v = Queue(GL_QUADS, 4);
  const float xs[4] = {x0, x1, x1, x0};
  const float ys[4] = {y0, y0, y1, y1};
  for (int i = 0; i < 4; ++i) {
    v[i] = {xs[i] * ix_ + ys[i] * iy_ + tx,
            xs[i] * jx_ + ys[i] * jy_ + ty,
            0,
            0,
            {color_[0], color_[1], color_[2], color_[3]}};
  }
}

void TGLRenderDriver::DrawPolygonPoints() {
  last_polygon_points_ = static_cast<int32_t>(polygon_.size());
  TextureOff();
  Flush();
  glVertexPointer(2, GL_FLOAT, sizeof(TVertex), &polygon_[0].x);
  glTexCoordPointer(2, GL_FLOAT, sizeof(TVertex), &polygon_[0].u);
  glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(TVertex), polygon_[0].rgba);
  glDrawArrays(GL_POLYGON, 0, static_cast<GLsizei>(polygon_.size()));
}

void TGLRenderDriver::FillEllipse(float x0, float y0, float x1, float y1, float tx, float ty) {
  const float rx = (x1 - x0) * 0.5f, ry = (y1 - y0) * 0.5f;
  // Radii that are not numbers draw nothing; huge ones are bounded in points, not in size.
  if (!std::isfinite(rx) || !std::isfinite(ry)) return;
  const float sum = std::fabs(rx) + std::fabs(ry);
  int32_t n =
      sum < static_cast<float>(kMaxEllipsePoints) ? static_cast<int32_t>(sum) : kMaxEllipsePoints;
  n = std::max(n, 12) & ~3;
  const float cx = x0 + rx, cy = y0 + ry;
  polygon_.resize(static_cast<size_t>(n));
  const double step = 2.0 * std::numbers::pi / n;
  for (int32_t i = 0; i < n; ++i) {
    const float x = cx + rx * static_cast<float>(std::cos(i * step));
    const float y = cy - ry * static_cast<float>(std::sin(i * step));
    polygon_[i] = {x * ix_ + y * iy_ + tx,
                   x * jx_ + y * jy_ + ty,
                   0,
                   0,
                   {color_[0], color_[1], color_[2], color_[3]}};
  }
  DrawPolygonPoints();
}

void TGLRenderDriver::FillPolygon(const std::vector<float>& xy, float hx, float hy, float tx,
                                  float ty) {
  if (xy.size() < 6 || xy.size() % 2 != 0) return;
  polygon_.resize(xy.size() / 2);
  for (size_t k = 0; k < polygon_.size(); ++k) {
    const float x = xy[2 * k] + hx, y = xy[2 * k + 1] + hy;
    polygon_[k] = {x * ix_ + y * iy_ + tx,
                   x * jx_ + y * jy_ + ty,
                   0,
                   0,
                   {color_[0], color_[1], color_[2], color_[3]}};
  }
  DrawPolygonPoints();
}

void TGLRenderDriver::BlitPixmap(const TPixmapRef& pixmap, int32_t x, int32_t y) {
  if (!pixmap || pixmap->width <= 0 || pixmap->height <= 0) return;
  const int32_t blend = blend_;
  TextureOff();
  ApplyBlend(BLEND_SOLID);
  Flush();
  TPixmapRef p = MirrorPixmapY(pixmap);
  if (p->format != PF_RGBA8888) p = p->ToFormat(PF_RGBA8888);
  // The raster position goes to the object origin, then moves without drawing to the target's
  // bottom-left corner (OpenGL rows count upwards).
  glRasterPos2f(0, 0);
  glBitmap(0, 0, 0, 0, static_cast<float>(x), static_cast<float>(-y - p->height), nullptr);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, p->pitch / 4);
  glDrawPixels(p->width, p->height, GL_RGBA, GL_UNSIGNED_BYTE, p->pixels);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  ApplyBlend(blend);
}

TPixmapRef TGLRenderDriver::ReadPixels(int32_t x, int32_t y, int32_t width, int32_t height) {
  Flush();
  if (width <= 0 || height <= 0) return nullptr;
  TPixmapRef p = NewPixmap(width, height, PF_RGBA8888, 4);
  glPixelStorei(GL_PACK_ROW_LENGTH, p->pitch / 4);
  glReadPixels(x, ScreenHeight() - height - y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, p->pixels);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  return MirrorPixmapY(p);
}

const TGLRenderDriverRef& GLRenderDriver() {
  // Never destroyed: frames released at exit still find it.
  static auto* driver = new TGLRenderDriverRef(std::make_shared<TGLRenderDriver>());
  return *driver;
}
