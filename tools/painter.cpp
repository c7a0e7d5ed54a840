// The generator's painter: masks, shapes, text through FreeType, and the canvas.
#include "painter.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>

namespace {

float Clamp01(float v) {
  return std::clamp(v, 0.0f, 1.0f);
}

float SmoothStep(float edge0, float edge1, float x) {
  const float t = Clamp01((x - edge0) / (edge1 - edge0));
  return t * t * (3.0f - 2.0f * t);
}

// One pass of a running-sum box filter over a line of n values, spaced stride apart.
void BoxLine(float* line, int n, int stride, int radius, std::vector<float>& scratch) {
  scratch.resize(n);
  for (int i = 0; i < n; ++i) scratch[i] = line[size_t(i) * stride];
  const float scale = 1.0f / (2 * radius + 1);
  double sum = 0;
  for (int k = -radius; k <= radius; ++k) sum += scratch[std::clamp(k, 0, n - 1)];
  for (int i = 0; i < n; ++i) {
    line[size_t(i) * stride] = static_cast<float>(sum * scale);
    sum += scratch[std::min(i + radius + 1, n - 1)] - scratch[std::max(i - radius, 0)];
  }
}

}  // namespace

TRgb Mix(TRgb a, TRgb b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

float Hash(uint32_t a, uint32_t b) {
  // Two rounds of a well-mixing integer hash: no visible rows or columns in the dither.
  auto mix = [](uint32_t h) {
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
  };
  return static_cast<float>(mix(a + mix(b + 0x9E3779B9u)) >> 8) / 16777216.0f;
}

void TMask::Disc(float cx, float cy, float radius, float soft) {
  const int x0 = std::max(0, int(cx - radius - soft - 1)),
            x1 = std::min(width_, int(cx + radius + soft + 2));
  const int y0 = std::max(0, int(cy - radius - soft - 1)),
            y1 = std::min(height_, int(cy + radius + soft + 2));
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      const float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy) - radius;
      float& v = At(x, y);
      v = std::max(v, Clamp01(0.5f - d / soft));
    }
}

void TMask::RoundedRect(float x0, float y0, float x1, float y1, float radius, float soft) {
  const float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
  const float hx = (x1 - x0) / 2 - radius, hy = (y1 - y0) / 2 - radius;
  const int ix0 = std::max(0, int(x0 - soft - 1)), ix1 = std::min(width_, int(x1 + soft + 2));
  const int iy0 = std::max(0, int(y0 - soft - 1)), iy1 = std::min(height_, int(y1 + soft + 2));
  for (int y = iy0; y < iy1; ++y)
    for (int x = ix0; x < ix1; ++x) {
      const float qx = std::fabs(x + 0.5f - cx) - hx, qy = std::fabs(y + 0.5f - cy) - hy;
      const float d = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f)) +
                      std::min(std::max(qx, qy), 0.0f) - radius;
      float& v = At(x, y);
      v = std::max(v, Clamp01(0.5f - d / soft));
    }
}

void TMask::Line(float x0, float y0, float x1, float y1, float width, float alpha) {
  const float r = width / 2;
  const int ix0 = std::max(0, int(std::min(x0, x1) - r - 2)),
            ix1 = std::min(width_, int(std::max(x0, x1) + r + 2));
  const int iy0 = std::max(0, int(std::min(y0, y1) - r - 2)),
            iy1 = std::min(height_, int(std::max(y0, y1) + r + 2));
  const float dx = x1 - x0, dy = y1 - y0;
  const float length2 = std::max(dx * dx + dy * dy, 1e-6f);
  for (int y = iy0; y < iy1; ++y)
    for (int x = ix0; x < ix1; ++x) {
      const float px = x + 0.5f - x0, py = y + 0.5f - y0;
      const float t = Clamp01((px * dx + py * dy) / length2);
      const float d = std::hypot(px - t * dx, py - t * dy) - r;
      float& v = At(x, y);
      v = std::max(v, Clamp01(0.5f - d) * alpha);
    }
}

void TMask::Below(const std::function<float(float)>& top) {
  const int samples = 4;
  for (int x = 0; x < width_; ++x) {
    float tops[samples];
    for (int s = 0; s < samples; ++s) tops[s] = top(x + (s + 0.5f) / samples);
    for (int y = 0; y < height_; ++y) {
      float cover = 0;
      for (float t : tops) cover += Clamp01(y + 1.0f - t);
      float& v = At(x, y);
      v = std::max(v, cover / samples);
    }
  }
}

void TMask::Blur(int radius) {
  if (radius <= 0) return;
  std::vector<float> scratch;
  for (int pass = 0; pass < 3; ++pass) {
    for (int y = 0; y < height_; ++y) BoxLine(&At(0, y), width_, 1, radius, scratch);
    for (int x = 0; x < width_; ++x) BoxLine(&At(x, 0), height_, width_, radius, scratch);
  }
}

void TMask::Scale(float factor) {
  for (float& v : values_) v *= factor;
}

void TMask::Subtract(const TMask& other) {
  for (size_t i = 0; i < values_.size(); ++i) values_[i] *= 1.0f - other.values_[i];
}

TFontFace::TFontFace(const std::string& path) {
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return;
  library_ = library;
  FT_Face face = nullptr;
  if (FT_New_Face(library, path.c_str(), 0, &face) == 0) face_ = face;
}

TFontFace::~TFontFace() {
  if (face_) FT_Done_Face(static_cast<FT_Face>(face_));
  if (library_) FT_Done_FreeType(static_cast<FT_Library>(library_));
}

float TFontFace::Measure(const std::string& text, float pixels) {
  if (!face_) return 0;
  FT_Face face = static_cast<FT_Face>(face_);
  FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(std::lround(pixels)));
  FT_Set_Transform(face, nullptr, nullptr);
  float width = 0;
  for (char c : text) {
    if (FT_Load_Char(face, static_cast<unsigned char>(c), FT_LOAD_NO_HINTING) != 0) continue;
    width += face->glyph->advance.x / 64.0f;
  }
  return width;
}

void TFontFace::Draw(TMask& mask, const std::string& text, float x, float baseline, float pixels,
                     float bold, const std::vector<float>& turns) {
  if (!face_) return;
  FT_Face face = static_cast<FT_Face>(face_);
  FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(std::lround(pixels)));
  const float capHeight = pixels * 0.72f;
  float pen = x;
  for (size_t i = 0; i < text.size(); ++i) {
    const float turn = i < turns.size() ? turns[i] : 0.0f;
    const float c = std::cos(turn), s = std::sin(turn);
    // Turn about the letter's middle: the shift that keeps the middle where it was.
    FT_Set_Transform(face, nullptr, nullptr);
    if (FT_Load_Char(face, static_cast<unsigned char>(text[i]), FT_LOAD_NO_HINTING) != 0) continue;
    const float advance = face->glyph->advance.x / 64.0f;
    const float mx = advance / 2, my = capHeight / 2;
    const float shiftX = mx - (mx * c - my * s), shiftY = my - (mx * s + my * c);
    FT_Matrix matrix{static_cast<FT_Fixed>(c * 65536), static_cast<FT_Fixed>(-s * 65536),
                     static_cast<FT_Fixed>(s * 65536), static_cast<FT_Fixed>(c * 65536)};
    const float originX = pen + shiftX, originY = baseline - shiftY;
    FT_Vector delta{static_cast<FT_Pos>((originX - std::floor(originX)) * 64), 0};
    FT_Set_Transform(face, &matrix, &delta);
    if (FT_Load_Char(face, static_cast<unsigned char>(text[i]),
                     FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0)
      continue;
    FT_GlyphSlot slot = face->glyph;
    if (bold > 0 && slot->format == FT_GLYPH_FORMAT_OUTLINE)
      FT_Outline_Embolden(&slot->outline, static_cast<FT_Pos>(bold * 64));
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) continue;
    const FT_Bitmap& bitmap = slot->bitmap;
    // NOTE: emboldening grows the outline to the right and upwards only; half of it is moved
    // back so that a thicker copy stays centred on the thinner one.
    const int shift = static_cast<int>(std::lround(bold / 2));
    const int left = static_cast<int>(std::floor(originX)) + slot->bitmap_left - shift;
    const int top = static_cast<int>(std::lround(originY)) - slot->bitmap_top + shift;
    for (unsigned row = 0; row < bitmap.rows; ++row)
      for (unsigned col = 0; col < bitmap.width; ++col) {
        const int px = left + static_cast<int>(col), py = top + static_cast<int>(row);
        if (px < 0 || py < 0 || px >= mask.Width() || py >= mask.Height()) continue;
        const float v = bitmap.buffer[row * bitmap.pitch + col] / 255.0f;
        float& m = mask.At(px, py);
        m = std::max(m, v);
      }
    pen += advance;
  }
  FT_Set_Transform(face, nullptr, nullptr);
}

TCanvas::TCanvas(int width, int height)
    : width_(width),
      height_(height),
      pixels_(size_t(width) * height),
      alpha_(size_t(width) * height, 1.0f) {}

void TCanvas::Gradient(const std::vector<std::pair<float, TRgb>>& stops) {
  for (int y = 0; y < height_; ++y) {
    const float t = (y + 0.5f) / height_;
    TRgb color = stops.front().second;
    for (size_t k = 1; k < stops.size(); ++k) {
      if (t <= stops[k].first) {
        const float span = stops[k].first - stops[k - 1].first;
        const float u = SmoothStep(0.0f, 1.0f, (t - stops[k - 1].first) / span);
        color = Mix(stops[k - 1].second, stops[k].second, u);
        break;
      }
      color = stops[k].second;
    }
    std::fill_n(pixels_.begin() + size_t(y) * width_, width_, color);
  }
}

void TCanvas::Paint(const TMask& mask, TRgb color, float opacity) {
  Paint(
      mask, [color](int, int) { return color; }, opacity);
}

void TCanvas::Paint(const TMask& mask, const std::function<TRgb(int, int)>& color, float opacity) {
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      const float a = mask.At(x, y) * opacity;
      if (a <= 0) continue;
      TRgb& p = pixels_[size_t(y) * width_ + x];
      p = Mix(p, color(x, y), a);
    }
}

void TCanvas::Glow(const TMask& mask, TRgb color, float strength) {
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      const float a = mask.At(x, y) * strength;
      if (a <= 0) continue;
      TRgb& p = pixels_[size_t(y) * width_ + x];
      // Screen blend: light adds up but never overshoots white.
      p.r = 1 - (1 - p.r) * (1 - color.r * a);
      p.g = 1 - (1 - p.g) * (1 - color.g * a);
      p.b = 1 - (1 - p.b) * (1 - color.b * a);
    }
}

void TCanvas::Vignette(float strength, float inner, float outer) {
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      const float nx = (x + 0.5f) / width_ * 2 - 1, ny = (y + 0.5f) / height_ * 2 - 1;
      const float r = std::sqrt(nx * nx + ny * ny) / std::sqrt(2.0f);
      const float f = 1.0f - strength * SmoothStep(inner, outer, r);
      TRgb& p = pixels_[size_t(y) * width_ + x];
      p = {p.r * f, p.g * f, p.b * f};
    }
}

void TCanvas::SetAlpha(const TMask& mask) {
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) alpha_[size_t(y) * width_ + x] = Clamp01(mask.At(x, y));
}

TPixmapRef TCanvas::ToPixmap(bool withAlpha) const {
  TPixmapRef pixmap = NewPixmap(width_, height_, withAlpha ? PF_RGBA8888 : PF_RGB888, 4);
  auto byte = [](float v, float dither) {
    return static_cast<uint8_t>(std::clamp(std::floor(v * 255.0f + dither), 0.0f, 255.0f));
  };
  for (int y = 0; y < height_; ++y) {
    uint8_t* row = pixmap->PixelAddress(0, y);
    for (int x = 0; x < width_; ++x) {
      const TRgb& p = pixels_[size_t(y) * width_ + x];
      const float dither = Hash(x, y);
      uint8_t* out = row + x * (withAlpha ? 4 : 3);
      out[0] = byte(p.r, dither);
      out[1] = byte(p.g, dither);
      out[2] = byte(p.b, dither);
      if (withAlpha) out[3] = byte(alpha_[size_t(y) * width_ + x], 0.5f);
    }
  }
  return pixmap;
}
