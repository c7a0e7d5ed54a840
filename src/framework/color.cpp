#include "framework/color.h"

#include "graphics/draw_graphics.h"

void TColor::Apply() const {
  SetDrawColor(r, g, b);
}
