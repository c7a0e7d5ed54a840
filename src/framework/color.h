// TColor: an RGB colour with integer components, stored as given.
#pragma once

#include <cstdint>

class TColor {
 public:
  TColor() = default;
  TColor(int32_t r, int32_t g, int32_t b) : r(r), g(g), b(b) {}

  TColor& Create(int32_t red, int32_t green, int32_t blue) {
    Set(red, green, blue);
    return *this;
  }
  void Set(int32_t red, int32_t green, int32_t blue) {
    r = red;
    g = green;
    b = blue;
  }
  TColor Copy() const { return *this; }
  // Makes this the drawing colour.
  void Apply() const;

  int32_t r = 0;
  int32_t g = 0;
  int32_t b = 0;
};
