// The generator's painter: a floating-point canvas with soft-edged shapes, blurred masks for
// glows and shadows, text from a TrueType face, and the dithered conversion to a pixmap.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "graphics/pixmap.h"

struct TRgb {
  float r, g, b;
};

TRgb Mix(TRgb a, TRgb b, float t);

// Coverage values (0 to 1) over the canvas' pixels: shapes are drawn into a mask, the mask is
// blurred or combined, then laid onto the canvas in a colour.
class TMask {
 public:
  TMask(int width, int height) : width_(width), height_(height), values_(size_t(width) * height) {}
  int Width() const { return width_; }
  int Height() const { return height_; }
  float& At(int x, int y) { return values_[size_t(y) * width_ + x]; }
  float At(int x, int y) const { return values_[size_t(y) * width_ + x]; }

  // Anti-aliased shapes, taking the larger of the existing and new coverage.
  void Disc(float cx, float cy, float radius, float soft = 1.0f);
  void RoundedRect(float x0, float y0, float x1, float y1, float radius, float soft = 1.0f);
  // A line with round ends.
  void Line(float x0, float y0, float x1, float y1, float width, float alpha = 1.0f);
  // Everything below the curve y = top(x).
  void Below(const std::function<float(float)>& top);
  // Three box blurs in a row: close to a Gaussian of the given radius.
  void Blur(int radius);
  void Scale(float factor);
  // Coverage where this mask covers and the other does not.
  void Subtract(const TMask& other);

 private:
  int width_, height_;
  std::vector<float> values_;
};

// Text set in one TrueType face; a letter may be turned about its own centre.
class TFontFace {
 public:
  // Null face (every draw does nothing) when the file cannot be read.
  explicit TFontFace(const std::string& path);
  ~TFontFace();
  TFontFace(const TFontFace&) = delete;
  TFontFace& operator=(const TFontFace&) = delete;
  bool Ok() const { return face_ != nullptr; }

  // Width in pixels of text at a size, as laid out by Draw without turns.
  float Measure(const std::string& text, float pixels);
  // Lays text out from (x, baseline) into the mask. turns[i], when given, is letter i's angle in
  // radians; bold thickens strokes by that many pixels.
  void Draw(TMask& mask, const std::string& text, float x, float baseline, float pixels, float bold,
            const std::vector<float>& turns = {});

 private:
  void* library_ = nullptr;
  void* face_ = nullptr;
};

class TCanvas {
 public:
  TCanvas(int width, int height);
  int Width() const { return width_; }
  int Height() const { return height_; }

  // Vertical gradient over the whole height; stops are (position 0 to 1, colour), ascending.
  void Gradient(const std::vector<std::pair<float, TRgb>>& stops);
  // Lays colour over the canvas wherever the mask covers, at the given opacity.
  void Paint(const TMask& mask, TRgb color, float opacity = 1.0f);
  // The same, with the colour given per pixel.
  void Paint(const TMask& mask, const std::function<TRgb(int x, int y)>& color, float opacity);
  // Adds light: brightens without covering (glows, stars).
  void Glow(const TMask& mask, TRgb color, float strength);
  // Darkens towards the edges and corners, the way a lens does.
  void Vignette(float strength, float inner, float outer);
  // Coverage of the whole picture (1 everywhere until set), written as the PNG's alpha.
  void SetAlpha(const TMask& mask);

  // 8-bit RGB (or RGBA with alpha) pixmap; a fixed dither pattern keeps gradients free of bands.
  TPixmapRef ToPixmap(bool withAlpha) const;

 private:
  int width_, height_;
  std::vector<TRgb> pixels_;
  std::vector<float> alpha_;
};

// A repeatable pseudo-random number in [0, 1) from two integers.
float Hash(uint32_t a, uint32_t b);
