#include "framework/helpers.h"

#include <cmath>
#include <numbers>

#include "graphics/draw_graphics.h"
#include "graphics/graphics.h"
#include "system/system_driver.h"

void ResetDrawState() {
  SetDrawAlpha(1.0f);
  SetBlendMode(1);
  SetDrawColor(255, 255, 255);
  SetDrawHandle(0, 0);
  SetLineThickness(1.0f);
  SetDrawOrigin(0, 0);
  SetDrawTransform(0, 1.0f, 1.0f);
}

namespace {

// The desktop's own mode when the display driver can tell it, else the largest mode it offers.
bool DriverDesktopSize(int32_t& width, int32_t& height) {
  if (!CurrentDisplayDriver()) return false;
  if (DesktopSize(width, height)) return true;
  bool found = false;
  for (const TGraphicsMode& mode : ListDisplayModes()) {
    if (!found || mode.width * mode.height > width * height) {
      width = mode.width;
      height = mode.height;
      found = true;
    }
  }
  return found;
}

TDesktopSizeQuery& DesktopSizeQuery() {
  static TDesktopSizeQuery query = DriverDesktopSize;
  return query;
}

}  // namespace

void SetDesktopSizeQuery(TDesktopSizeQuery query) {
  DesktopSizeQuery() = query ? std::move(query) : TDesktopSizeQuery(DriverDesktopSize);
}

int32_t CenterOnDesktop(int32_t& outX, int32_t& outY, int32_t w, int32_t h) {
  int32_t width = 0, height = 0;
  if (!DesktopSizeQuery()(width, height)) return 0;
  outX = width / 2 - w / 2;
  outY = height / 2 - h / 2;
  return 1;
}

namespace {
int32_t fpsResult = 0;
int32_t fpsCalls = 0;
int32_t fpsWindowStart = 0;
}  // namespace

int32_t FramesPerSecond() {
  ++fpsCalls;
  // Unsigned subtraction, so that a wrap of the 32-bit clock does not stall the counter.
  if (static_cast<int32_t>(static_cast<uint32_t>(Milliseconds()) -
                           static_cast<uint32_t>(fpsWindowStart)) >= 1000) {
    fpsResult = fpsCalls;
    fpsCalls = 0;
    fpsWindowStart = Milliseconds();
  }
  return fpsResult;
}

int32_t RectsOverlap(float x1, float y1, float w1, float h1, float x2, float y2, float w2,
                     float h2) {
  if (!(x1 + w1 >= x2)) return 0;
  if (!(x1 <= x2 + w2)) return 0;
  if (!(y1 + h1 >= y2)) return 0;
  if (!(y1 <= y2 + h2)) return 0;
  return 1;
}

float Distance(float x1, float y1, float x2, float y2) {
  float dx = x1 - x2, dy = y1 - y2;
  return std::sqrt(dx * dx + dy * dy);
}

float AngleBetween(float x1, float y1, float x2, float y2) {
  double degrees = std::atan2(double(y1) - y2, double(x1) - x2) * 180.0 / std::numbers::pi;
  return static_cast<float>(std::fmod(degrees + 270.0, 360.0));
}

float CosineInterpolate(float a, float b, float t) {
  double m = (1.0 - std::cos(t * std::numbers::pi)) / 2.0;
  return static_cast<float>(a * (1.0 - m) + b * m);
}

float Lerp(float a, float b, float t) {
  return a * (1 - t) + b * t;
}
