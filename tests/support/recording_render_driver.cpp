#include "recording_render_driver.h"

#include <cstring>
#include <map>

#include "graphics/graphics.h"
#include "graphics/graphics_module.h"

void TRecordingFrame::DrawQuad(float x0, float y0, float x1, float y1, float tx, float ty) {
  TDrawCall call;
  if (auto d = driver.lock()) {
    call = d->Record("DrawQuad", {x0, y0, x1, y1, tx, ty});
    d->calls.back().frame = std::static_pointer_cast<TRecordingFrame>(shared_from_this());
  } else {
    call.name = "DrawQuad";
    call.args = {x0, y0, x1, y1, tx, ty};
  }
  // The frame's own list leaves `frame` empty: pointing at itself would keep it alive forever.
  quads.push_back(call);
}

TDrawCall TRecordingRenderDriver::Record(std::string name, std::vector<float> args) {
  TDrawCall call;
  call.name = std::move(name);
  call.args = std::move(args);
  call.ix = ix, call.iy = iy, call.jx = jx, call.jy = jy;
  call.red = red, call.green = green, call.blue = blue;
  call.alpha = alpha;
  call.blend = blend;
  calls.push_back(call);
  return call;
}

std::vector<TGraphicsMode> TRecordingRenderDriver::ListModes() {
  Record("ListModes", {});
  return modes;
}

TGraphicsRef TRecordingRenderDriver::AttachToWidget(void*, int32_t flags) {
  Record("AttachToWidget", {static_cast<float>(flags)});
  return nullptr;
}

TGraphicsRef TRecordingRenderDriver::CreateSurface(int32_t width, int32_t height, int32_t depth,
                                                   int32_t hz, int32_t flags) {
  Record("CreateSurface",
         {static_cast<float>(width), static_cast<float>(height), static_cast<float>(depth),
          static_cast<float>(hz), static_cast<float>(flags)});
  auto self = std::static_pointer_cast<TRecordingRenderDriver>(shared_from_this());
  auto surface = std::make_shared<TRecordingSurface>();
  surface->width = width, surface->height = height, surface->depth = depth;
  surface->hz = hz, surface->flags = flags;
  surface->driver = self;
  return TDrawGraphics::Create(surface, self);
}

void TRecordingRenderDriver::MakeCurrent(const TGraphicsRef& graphics) {
  Record("MakeCurrent", {graphics ? 1.0f : 0.0f});
  current = graphics;
  if (!graphics) return;
  // As a real driver does: the caches start over, the 2D state is bound (defaults on first
  // binding) and the surface's own state is sent again.
  blend = 0;
  BindDrawGraphics(graphics);
  if (auto d = std::dynamic_pointer_cast<TDrawGraphics>(graphics)) {
    ApplyViewport(d->viewX, d->viewY, d->viewWidth, d->viewHeight);
    ApplyTransform(d->ix, d->iy, d->jx, d->jy);
    ApplyColor(d->colorRed, d->colorGreen, d->colorBlue);
    ApplyAlpha(d->alpha);
  }
}

void TRecordingRenderDriver::Present(int32_t sync) {
  Record("Present", {static_cast<float>(sync)});
}

TImageFrameRef TRecordingRenderDriver::CreateFrame(const TPixmapRef& pixmap, int32_t flags) {
  auto frame = std::make_shared<TRecordingFrame>();
  frame->pixmap = pixmap;
  frame->flags = flags;
  frame->id = ++framesMade;
  frame->driver = std::static_pointer_cast<TRecordingRenderDriver>(shared_from_this());
  Record("CreateFrame", {static_cast<float>(flags)});
  calls.back().frame = frame;
  calls.back().pixmap = pixmap;
  return frame;
}

void TRecordingRenderDriver::ApplyBlend(int32_t mode) {
  blend = mode;
  Record("ApplyBlend", {static_cast<float>(mode)});
}

void TRecordingRenderDriver::ApplyAlpha(float a) {
  alpha = a;
  Record("ApplyAlpha", {a});
}

void TRecordingRenderDriver::ApplyColor(int32_t r, int32_t g, int32_t b) {
  red = r, green = g, blue = b;
  Record("ApplyColor", {static_cast<float>(r), static_cast<float>(g), static_cast<float>(b)});
}

void TRecordingRenderDriver::ApplyClearColor(int32_t r, int32_t g, int32_t b) {
  Record("ApplyClearColor", {static_cast<float>(r), static_cast<float>(g), static_cast<float>(b)});
}

void TRecordingRenderDriver::ApplyViewport(int32_t x, int32_t y, int32_t w, int32_t h) {
  Record("ApplyViewport", {static_cast<float>(x), static_cast<float>(y), static_cast<float>(w),
                           static_cast<float>(h)});
}

void TRecordingRenderDriver::ApplyTransform(float a, float b, float c, float d) {
  ix = a, iy = b, jx = c, jy = d;
  Record("ApplyTransform", {a, b, c, d});
}

void TRecordingRenderDriver::ApplyLineWidth(float width) {
  Record("ApplyLineWidth", {width});
}

void TRecordingRenderDriver::ClearBuffer() {
  Record("ClearBuffer", {});
}

void TRecordingRenderDriver::PlotPoint(float x, float y) {
  Record("PlotPoint", {x, y});
}

void TRecordingRenderDriver::StrokeLine(float x0, float y0, float x1, float y1, float tx,
                                        float ty) {
  Record("StrokeLine", {x0, y0, x1, y1, tx, ty});
}

void TRecordingRenderDriver::FillQuad(float x0, float y0, float x1, float y1, float tx, float ty) {
  Record("FillQuad", {x0, y0, x1, y1, tx, ty});
}

void TRecordingRenderDriver::FillEllipse(float x0, float y0, float x1, float y1, float tx,
                                         float ty) {
  Record("FillEllipse", {x0, y0, x1, y1, tx, ty});
}

void TRecordingRenderDriver::FillPolygon(const std::vector<float>& xy, float hx, float hy, float tx,
                                         float ty) {
  // Handle and translation first, then the points.
  std::vector<float> args{hx, hy, tx, ty};
  args.insert(args.end(), xy.begin(), xy.end());
  Record("FillPolygon", std::move(args));
}

void TRecordingRenderDriver::BlitPixmap(const TPixmapRef& pixmap, int32_t x, int32_t y) {
  Record("BlitPixmap", {static_cast<float>(x), static_cast<float>(y)});
  calls.back().pixmap = pixmap;
}

TPixmapRef TRecordingRenderDriver::ReadPixels(int32_t x, int32_t y, int32_t width, int32_t height) {
  Record("ReadPixels", {static_cast<float>(x), static_cast<float>(y), static_cast<float>(width),
                        static_cast<float>(height)});
  if (width <= 0 || height <= 0) return nullptr;
  TPixmapRef p = NewPixmap(width, height, PF_RGBA8888, 4);
  for (int32_t row = 0; row < height; ++row) {
    std::memset(p->PixelAddress(0, row), 0, static_cast<size_t>(width) * 4);
    for (int32_t col = 0; col < width; ++col) {
      int32_t sx = x + col, sy = y + row;
      if (screen && sx >= 0 && sy >= 0 && sx < screen->width && sy < screen->height) {
        p->PutPixelARGB(col, row, screen->GetPixelARGB(sx, sy));
      }
    }
  }
  return p;
}

std::vector<TDrawCall> TRecordingRenderDriver::Calls(const std::string& name) const {
  std::vector<TDrawCall> out;
  for (const auto& c : calls) {
    if (c.name == name) out.push_back(c);
  }
  return out;
}

int TRecordingRenderDriver::Count(const std::string& name) const {
  int n = 0;
  for (const auto& c : calls) n += c.name == name;
  return n;
}

TDrawCall TRecordingRenderDriver::Last(const std::string& name) const {
  for (auto it = calls.rbegin(); it != calls.rend(); ++it) {
    if (it->name == name) return *it;
  }
  return {};
}

std::string TRecordingRenderDriver::Names() const {
  std::string out;
  for (const auto& c : calls) {
    if (!out.empty()) out += ' ';
    out += c.name;
  }
  return out;
}

std::vector<TDrawCall> TRecordingRenderDriver::QuadsOf(const TPixmapRef& pixmap) const {
  std::vector<TDrawCall> out;
  for (const auto& c : calls) {
    if (c.name == "DrawQuad" && c.frame && pixmap && c.frame->pixmap == pixmap) out.push_back(c);
  }
  return out;
}

std::vector<TDrawCall> TRecordingRenderDriver::QuadsOf(const TImageRef& image,
                                                       int32_t frame) const {
  if (!image || frame < 0 || frame >= static_cast<int32_t>(image->pixmaps.size())) return {};
  return QuadsOf(image->pixmaps[frame]);
}

std::vector<TDrawnGlyph> TRecordingRenderDriver::DrawnGlyphs(const TGlyphFontRef& font) const {
  std::vector<TDrawnGlyph> out;
  if (!font) return out;
  // Only glyphs already in the font's cache can have been drawn; look at those, without
  // making new ones.
  std::map<const TPixmap*, char16_t> owner;
  for (int32_t c = 1; c <= 0xFFFF; ++c) {
    int32_t index = font->GlyphIndexOf(c);
    if (index < 0 || index >= static_cast<int32_t>(font->glyphs.size())) continue;
    const auto& glyph = font->glyphs[index];
    if (!glyph || !glyph->image || glyph->image->pixmaps.empty()) continue;
    owner.emplace(glyph->image->pixmaps[0].get(), static_cast<char16_t>(c));
  }
  for (const auto& c : calls) {
    if (c.name != "DrawQuad" || !c.frame) continue;
    auto it = owner.find(c.frame->pixmap.get());
    if (it == owner.end()) continue;
    TDrawnGlyph g;
    g.character = it->second;
    c.Map(c.Arg(0), c.Arg(1), c.Arg(4), c.Arg(5), g.x, g.y);
    g.call = c;
    out.push_back(g);
  }
  return out;
}

std::u16string TRecordingRenderDriver::DrawnText(const TGlyphFontRef& font) const {
  std::u16string text;
  for (const auto& g : DrawnGlyphs(font)) text += g.character;
  return text;
}

TRecordingRenderDriverRef InstallRecordingRenderDriver() {
  auto driver = std::make_shared<TRecordingRenderDriver>();
  SelectDisplayDriver(driver, GRAPHICS_BACKBUFFER);
  return driver;
}

TRecordingRenderDriverRef OpenRecordingGraphics(int32_t width, int32_t height) {
  InitGraphics();
  auto driver = InstallRecordingRenderDriver();
  if (!OpenGraphics(width, height, 32, 0, 0)) return nullptr;
  return driver;
}
