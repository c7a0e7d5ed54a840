// TVector2: a 2D vector of floats, used for positions, scales and offsets.
#pragma once

class TVector2 {
 public:
  TVector2() = default;
  TVector2(float x, float y) : x(x), y(y) {}

  TVector2& Create(float x, float y) {
    Set(x, y);
    return *this;
  }
  void Set(float newX, float newY) {
    x = newX;
    y = newY;
  }
  TVector2 Copy() const { return *this; }

  float x = 0;
  float y = 0;
};
