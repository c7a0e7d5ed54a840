// The title-screen and round backgrounds and the icon.
#include "pictures.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

TRgb Color(int r, int g, int b) {
  return {r / 255.0f, g / 255.0f, b / 255.0f};
}

float SmoothStep(float edge0, float edge1, float x) {
  const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
  return t * t * (3.0f - 2.0f * t);
}

// Smooth value noise in one dimension, summed over octaves: the outline of a range of hills.
float Ridge(float x, uint32_t seed, int octaves) {
  float sum = 0, amplitude = 1, total = 0;
  for (int k = 0; k < octaves; ++k) {
    const float i = std::floor(x);
    const float f = x - i;
    const float u = f * f * (3 - 2 * f);
    const uint32_t cell = static_cast<uint32_t>(static_cast<int32_t>(i) + 100000);
    sum += amplitude * (Hash(cell, seed + k) * (1 - u) + Hash(cell + 1, seed + k) * u);
    total += amplitude;
    amplitude *= 0.5f;
    x *= 2.07f;
  }
  return sum / total;
}

// Adds a small soft spot of light to a mask (stars).
void AddSpot(TMask& mask, float cx, float cy, float radius, float amount) {
  const int x0 = std::max(0, int(cx - radius - 2)),
            x1 = std::min(mask.Width(), int(cx + radius + 3));
  const int y0 = std::max(0, int(cy - radius - 2)),
            y1 = std::min(mask.Height(), int(cy + radius + 3));
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      const float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
      mask.At(x, y) += amount * std::clamp(radius + 0.5f - d, 0.0f, 1.0f);
    }
}

// A soft elliptical pool of light, strongest at its centre.
TMask Pool(int width, int height, float cx, float cy, float rx, float ry) {
  TMask mask(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const float dx = (x + 0.5f - cx) / rx, dy = (y + 0.5f - cy) / ry;
      mask.At(x, y) = std::exp(-(dx * dx + dy * dy));
    }
  return mask;
}

void Stars(TCanvas& canvas, float horizon) {
  TMask cool(kWidth, kHeight), warm(kWidth, kHeight), halo(kWidth, kHeight);
  for (uint32_t i = 0; i < 460; ++i) {
    const float x = Hash(i, 1) * kWidth;
    const float y = std::pow(Hash(i, 2), 1.4f) * (horizon - 40);
    const float fade = 1.0f - SmoothStep(horizon - 260, horizon - 40, y);
    const float brightness = (0.2f + 0.8f * std::pow(Hash(i, 3), 3.0f)) * fade;
    const float radius = 0.35f + 0.85f * std::pow(Hash(i, 4), 5.0f);
    AddSpot(Hash(i, 5) < 0.7f ? cool : warm, x, y, radius, brightness);
    if (brightness > 0.75f) AddSpot(halo, x, y, 2.5f, brightness);
  }
  halo.Blur(3);
  canvas.Glow(halo, Color(170, 190, 255), 0.6f);
  canvas.Glow(cool, Color(225, 232, 255), 1.0f);
  canvas.Glow(warm, Color(255, 232, 205), 1.0f);
  // A few brighter ones with a faint four-pointed glint.
  TMask glints(kWidth, kHeight);
  for (uint32_t i = 0; i < 9; ++i) {
    const float x = 40 + Hash(i, 11) * (kWidth - 80);
    const float y = 30 + Hash(i, 12) * (horizon - 300);
    if (x > 250 && x < 780 && y > 120 && y < 260) continue;  // keep the title clear
    const float arm = 6 + 6 * Hash(i, 13);
    glints.Line(x - arm, y, x + arm, y, 1.0f, 0.55f);
    glints.Line(x, y - arm, x, y + arm, 1.0f, 0.55f);
    AddSpot(glints, x, y, 1.6f, 1.0f);
  }
  TMask glintHalo = glints;
  glintHalo.Blur(2);
  canvas.Glow(glintHalo, Color(190, 205, 255), 0.8f);
  canvas.Glow(glints, Color(255, 255, 255), 0.9f);
}

void Moon(TCanvas& canvas, float cx, float cy, float radius) {
  TMask disc(kWidth, kHeight), shadow(kWidth, kHeight);
  disc.Disc(cx, cy, radius);
  shadow.Disc(cx + radius * 0.42f, cy - radius * 0.22f, radius * 0.9f, 2.0f);
  TMask glow = disc;
  glow.Blur(22);
  canvas.Glow(glow, Color(255, 215, 200), 0.55f);
  TMask crescent = disc;
  crescent.Subtract(shadow);
  canvas.Paint(disc, Color(40, 30, 80), 0.2f);  // the dark side, faintly lit by the earth
  canvas.Paint(crescent, Color(255, 244, 230), 1.0f);
}

void Title(TCanvas& canvas, TFontFace& font) {
  const std::string text = "LETTER FIGHT";
  const float size = 96, bold = 3.5f, baseline = 232;
  std::vector<float> turns;
  for (size_t i = 0; i < text.size(); ++i) turns.push_back((Hash(i, 21) - 0.5f) * 0.12f);
  const float x = kWidth / 2.0f - font.Measure(text, size) / 2.0f;

  TMask letters(kWidth, kHeight), outline(kWidth, kHeight), shadow(kWidth, kHeight);
  font.Draw(letters, text, x, baseline, size, bold, turns);
  font.Draw(outline, text, x, baseline, size, bold + 7, turns);
  font.Draw(shadow, text, x + 7, baseline + 8, size, bold + 7, turns);
  shadow.Blur(4);
  TMask glow = outline;
  glow.Blur(18);

  canvas.Glow(glow, Color(255, 80, 140), 0.75f);
  canvas.Paint(shadow, Color(10, 0, 20), 0.7f);
  canvas.Paint(outline, Color(110, 12, 48), 1.0f);
  const float top = baseline - size * 0.72f;
  canvas.Paint(
      letters,
      [&](int, int y) {
        const float t = std::clamp((y - top) / (baseline - top), 0.0f, 1.0f);
        return Mix(Color(255, 250, 244), Color(255, 128, 150), t * t);
      },
      1.0f);
}

}  // namespace

TPixmapRef PaintMenuBackground(TFontFace& font) {
  const float horizon = 560;
  TCanvas canvas(kWidth, kHeight);
  canvas.Gradient({{0.0f, Color(5, 7, 24)},
                   {0.38f, Color(20, 16, 60)},
                   {0.62f, Color(72, 30, 102)},
                   {0.73f, Color(190, 84, 128)},
                   {1.0f, Color(190, 84, 128)}});
  canvas.Glow(Pool(kWidth, kHeight, kWidth / 2.0f, horizon, 460, 120), Color(255, 130, 120), 0.5f);
  Stars(canvas, horizon);
  Moon(canvas, 872, 112, 36);

  // Two ranges of hills, the far one hazed towards the sky's colour.
  TMask far(kWidth, kHeight), near(kWidth, kHeight);
  far.Below([](float x) { return 470 + 80 * (1 - Ridge(x / 210.0f, 31, 5)); });
  near.Below([horizon](float x) {
    // Lower in the middle: a valley the grid runs into.
    const float valley = 1 - 0.6f * std::exp(-std::pow((x - kWidth / 2.0f) / 260.0f, 2.0f));
    return horizon - 8 - 62 * valley * Ridge(x / 150.0f + 7, 47, 5);
  });
  canvas.Paint(
      far,
      [](int, int y) {
        return Mix(Color(104, 48, 118), Color(140, 62, 128), SmoothStep(450, 560, float(y)));
      },
      1.0f);
  canvas.Paint(
      near,
      [](int, int y) {
        return Mix(Color(40, 20, 70), Color(62, 26, 86), SmoothStep(480, 560, float(y)));
      },
      1.0f);

  // The ground and its grid, fading into the distance.
  TMask ground(kWidth, kHeight);
  ground.Below([horizon](float) { return horizon; });
  canvas.Paint(
      ground,
      [horizon](int, int y) {
        return Mix(Color(36, 14, 60), Color(8, 4, 22), SmoothStep(horizon, kHeight, float(y)));
      },
      1.0f);
  TMask grid(kWidth, kHeight);
  for (int k = -14; k <= 14; ++k)
    grid.Line(kWidth / 2.0f + k * 8.0f, horizon, kWidth / 2.0f + k * 180.0f, kHeight + 40, 1.4f);
  for (int k = 1; k < 40; ++k) {
    const float y = horizon + 300.0f / (k * 0.8f + 1.4f);
    grid.Line(0, y, kWidth, y, 1.4f);
  }
  for (int y = 0; y < kHeight; ++y) {
    const float fade = y < horizon ? 0.0f : 0.12f + 0.88f * SmoothStep(horizon, kHeight, float(y));
    for (int x = 0; x < kWidth; ++x) grid.At(x, y) *= fade;
  }
  TMask gridGlow = grid;
  gridGlow.Blur(3);
  canvas.Glow(gridGlow, Color(255, 60, 170), 0.9f);
  canvas.Glow(grid, Color(255, 120, 200), 0.55f);
  TMask line(kWidth, kHeight);
  line.Line(0, horizon, kWidth, horizon, 2.0f);
  TMask lineGlow = line;
  lineGlow.Blur(6);
  canvas.Glow(lineGlow, Color(255, 150, 120), 0.9f);
  canvas.Glow(line, Color(255, 200, 170), 0.8f);

  Title(canvas, font);

  // The menu's panel: dark glass with a faint rim, behind the five entries.
  TMask panel(kWidth, kHeight), inner(kWidth, kHeight);
  panel.RoundedRect(292, 446, 732, 740, 22, 1.5f);
  inner.RoundedRect(294, 448, 730, 738, 20, 1.5f);
  TMask panelShadow = panel;
  panelShadow.Blur(10);
  canvas.Paint(panelShadow, Color(0, 0, 10), 0.35f);
  // Dense enough that the horizon and the grid behind it do not run through the entries.
  canvas.Paint(panel, Color(10, 6, 30), 0.72f);
  TMask rim = panel;
  rim.Subtract(inner);
  canvas.Paint(rim, Color(255, 160, 200), 0.35f);

  canvas.Vignette(0.55f, 0.45f, 1.05f);
  return canvas.ToPixmap(false);
}

TPixmapRef PaintRoundBackground() {
  TCanvas canvas(kWidth, kHeight);
  canvas.Gradient({{0.0f, Color(190, 215, 236)},
                   {0.45f, Color(222, 234, 243)},
                   {0.75f, Color(243, 241, 233)},
                   {1.0f, Color(240, 238, 227)}});
  canvas.Glow(Pool(kWidth, kHeight, 900, 40, 320, 260), Color(255, 250, 232), 0.45f);

  // Faint clouds: clusters of soft discs, flat underneath.
  struct {
    float x, y, width;
  } const clouds[] = {{210, 150, 260}, {640, 105, 220}, {880, 270, 240},
                      {420, 330, 200}, {130, 440, 180}, {760, 470, 210}};
  TMask puffs(kWidth, kHeight), undersides(kWidth, kHeight);
  for (uint32_t c = 0; c < std::size(clouds); ++c) {
    const auto& cloud = clouds[c];
    const uint32_t count = 5 + static_cast<uint32_t>(Hash(c, 30) * 4);
    for (uint32_t k = 0; k < count; ++k) {
      const float t = (k + 0.5f) / count;
      const float cx = cloud.x + (t - 0.5f) * cloud.width + (Hash(c, k + 40) - 0.5f) * 20;
      const float r =
          cloud.width * (0.1f + 0.14f * std::sin(t * 3.14159f)) * (0.75f + 0.5f * Hash(c, k));
      const float cy = cloud.y - r * 0.35f - Hash(c, k + 60) * 10;
      puffs.Disc(cx, cy, r, 1.5f);
      undersides.Disc(cx, cy + 8, r, 1.5f);
    }
    const float flat = cloud.width * 0.45f;
    puffs.RoundedRect(cloud.x - flat, cloud.y - 18, cloud.x + flat, cloud.y + 6, 12, 1.5f);
    undersides.RoundedRect(cloud.x - flat, cloud.y - 10, cloud.x + flat, cloud.y + 14, 12, 1.5f);
  }
  // A slightly greyer underside peeking out below each cloud gives it some volume.
  undersides.Blur(8);
  puffs.Blur(6);
  canvas.Paint(undersides, Color(208, 220, 234), 0.45f);
  canvas.Paint(puffs, Color(252, 253, 255), 0.6f);

  // Hazy hills along the bottom, paler the farther away.
  struct {
    float base, height, scale;
    uint32_t seed;
    TRgb color;
  } const ranges[] = {{615, 55, 240, 61, Color(210, 222, 228)},
                      {672, 42, 170, 73, Color(203, 219, 208)},
                      {724, 26, 120, 89, Color(194, 213, 193)}};
  for (const auto& range : ranges) {
    TMask hills(kWidth, kHeight);
    hills.Below([&range](float x) {
      return range.base - range.height * Ridge(x / range.scale + range.seed, range.seed, 4);
    });
    canvas.Paint(hills, range.color, 1.0f);
  }
  canvas.Vignette(0.07f, 0.55f, 1.1f);
  return canvas.ToPixmap(false);
}

TPixmapRef PaintIcon(TFontFace& font, int size) {
  const float s = size / 256.0f;
  TCanvas canvas(size, size);
  canvas.Gradient(
      {{0.0f, Color(150, 196, 238)}, {0.7f, Color(226, 236, 244)}, {1.0f, Color(243, 240, 228)}});
  TMask tile(size, size), inner(size, size);
  tile.RoundedRect(8 * s, 8 * s, 248 * s, 248 * s, 48 * s, 1.0f);
  inner.RoundedRect(8 * s + std::max(1.0f, 3 * s), 8 * s + std::max(1.0f, 3 * s),
                    248 * s - std::max(1.0f, 3 * s), 248 * s - std::max(1.0f, 3 * s), 45 * s, 1.0f);

  // Speed streaks trailing to the right: the letter flies left, as in the game.
  TMask streaks(size, size);
  streaks.Line(150 * s, 84 * s, 232 * s, 84 * s, 12 * s, 0.95f);
  streaks.Line(160 * s, 122 * s, 220 * s, 122 * s, 10 * s, 0.75f);
  streaks.Line(170 * s, 158 * s, 208 * s, 158 * s, 8 * s, 0.55f);
  canvas.Paint(streaks, Color(150, 20, 32), 1.0f);

  const float px = 210 * s, bold = 7 * s;
  const std::vector<float> turn = {0.16f};
  const float x = 118 * s - font.Measure("L", px) / 2.0f, baseline = 128 * s + px * 0.36f;
  TMask letter(size, size), shadow(size, size);
  font.Draw(letter, "L", x, baseline, px, bold, turn);
  font.Draw(shadow, "L", x + 5 * s, baseline + 6 * s, px, bold, turn);
  shadow.Blur(std::max(1, int(4 * s)));
  canvas.Paint(shadow, Color(20, 30, 60), 0.35f);
  canvas.Paint(letter, Color(0, 0, 0), 1.0f);

  TMask rim = tile;
  rim.Subtract(inner);
  canvas.Paint(rim, Color(60, 80, 120), 0.45f);
  canvas.SetAlpha(tile);
  return canvas.ToPixmap(true);
}
