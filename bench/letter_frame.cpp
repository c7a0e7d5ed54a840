// Frames per second of the round's heaviest frame: a 1024 x 768 background stretched over the
// screen, N letters (one capital each from the 32-pixel TrueType font at scale 1.2, blend 3,
// various colours, alphas, angles and places) and a HUD line, presented at once. Drawn through
// the 2D state and the OpenGL render driver (glyphs on shared texture pages, and again with one
// texture per glyph), and, as the peer, through SDL2's own renderer on its OpenGL back end with
// the same glyph pixmaps as SDL textures. Also the limit: clearing and presenting alone.
//
// Run under an X display (Xvfb :N -screen 0 1024x768x24):
//   bench_letter_frame [--shots=DIR] [seconds] [N...]
// --shots writes one frame of each renderer at the last N as PNG files, to compare them.
// The peer calls SDL directly: it is the yardstick, not part of the system.
#include <SDL.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "graphics/draw_graphics.h"
#include "graphics/gl_render_driver.h"
#include "graphics/glyph_font.h"
#include "graphics/graphics.h"
#include "graphics/graphics_module.h"
#include "graphics/image.h"
#include "graphics/png_decoder.h"
#include "system/sdl_system_driver.h"
#include "system/system_driver.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;
constexpr float kScale = 1.2f;
const char* const kFont = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";
const char16_t* const kHud = u"SCORE: 1234      TIME: 97      LETTERS: 1000";

using Clock = std::chrono::steady_clock;

// One flying or tumbling letter; the same list for every renderer.
struct TLetter {
  char16_t character;
  float x, y, angle, alpha;
  int red, green, blue;
};

std::vector<TLetter> MakeLetters(int count) {
  std::vector<TLetter> letters;
  uint32_t seed = 12345;
  auto next = [&seed](int range) {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<int>((seed >> 8) % static_cast<uint32_t>(range));
  };
  for (int i = 0; i < count; ++i) {
    TLetter l;
    l.character = static_cast<char16_t>('A' + next(26));
    l.x = static_cast<float>(next(kWidth - 40));
    l.y = static_cast<float>(next(kHeight - 40));
    // A third of them tumble.
    l.angle = next(3) == 0 ? static_cast<float>(next(360)) : 0.0f;
    l.alpha = 0.3f + static_cast<float>(next(70)) / 100.0f;
    l.red = 128 + next(128), l.green = 128 + next(128), l.blue = 128 + next(128);
    letters.push_back(l);
  }
  return letters;
}

// A background that looks like one: a vertical gradient with some stripes, opaque.
TPixmapRef MakeBackground() {
  TPixmapRef p = NewPixmap(kWidth, kHeight, PF_RGBA8888, 4);
  for (int y = 0; y < kHeight; ++y) {
    uint8_t* row = p->PixelAddress(0, y);
    for (int x = 0; x < kWidth; ++x) {
      const int stripe = ((x + y) / 32) % 2 ? 12 : 0;
      row[4 * x + 0] = static_cast<uint8_t>(20 + stripe);
      row[4 * x + 1] = static_cast<uint8_t>(30 + y * 80 / kHeight + stripe);
      row[4 * x + 2] = static_cast<uint8_t>(60 + y * 120 / kHeight);
      row[4 * x + 3] = 255;
    }
  }
  return p;
}

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// Runs frame() for about `seconds` after a short warm-up; frames per second.
template <typename Frame>
double Measure(double seconds, Frame frame) {
  for (int i = 0; i < 10; ++i) frame();
  const auto start = Clock::now();
  int frames = 0;
  while (Seconds(start) < seconds) {
    frame();
    ++frames;
  }
  return frames / Seconds(start);
}

// ---- The system's path

struct TOwnPath {
  TImageRef background;
  TGlyphFontRef font;

  bool Open(bool pages) {
    GLRenderDriver()->SetTexturePages(pages);
    // The game's call, but without the refresh measurement.
    if (!OpenGraphics(kWidth, kHeight, 32, 0, 0)) return false;
    return true;
  }

  void Frame(const std::vector<TLetter>& letters, const std::string& shot = "") {
    PollSystem();
    ClearScreen();
    SetDrawTransform(0, 1, 1);
    SetDrawAlpha(1);
    SetDrawColor(255, 255, 255);
    SetBlendMode(BLEND_SOLID);
    DrawImageStretched(background, 0, 0, kWidth, kHeight, 0);
    UseFont(font);
    SetBlendMode(BLEND_ALPHA);
    for (const TLetter& l : letters) {
      SetDrawColor(l.red, l.green, l.blue);
      SetDrawAlpha(l.alpha);
      SetDrawTransform(l.angle, kScale, kScale);
      DrawTextAt(std::u16string(1, l.character), l.x, l.y);
    }
    SetDrawTransform(0, 1, 1);
    SetDrawAlpha(1);
    SetDrawColor(255, 255, 0);
    DrawTextAt(kHud, 10, 10);
    if (!shot.empty()) SavePixmapPng(CapturePixmap(0, 0, kWidth, kHeight), shot, 6);
    FlipScreen(0);
  }
};

// ---- The peer: SDL_Renderer on OpenGL

struct TPeer {
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* background = nullptr;
  struct TGlyph {
    SDL_Texture* texture = nullptr;
    int w = 0, h = 0, offsetX = 0, offsetY = 0;
    float advance = 0;
  };
  std::vector<TGlyph> glyphs;  // by character code 0..127

  static SDL_Texture* Upload(SDL_Renderer* r, const TPixmapRef& rgba) {
    SDL_Texture* t = SDL_CreateTexture(r, SDL_PIXELFORMAT_ABGR8888, SDL_TEXTUREACCESS_STATIC,
                                       rgba->width, rgba->height);
    if (t) SDL_UpdateTexture(t, nullptr, rgba->pixels, rgba->pitch);
    return t;
  }

  bool Open(const TPixmapRef& backgroundPixels, const TGlyphFontRef& font) {
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "opengl");
    // The same filtering as the system's: linear (the background and the smooth font are
    // filtered).
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    window = SDL_CreateWindow("peer", 0, 0, kWidth, kHeight, SDL_WINDOW_OPENGL);
    if (!window) return false;
    renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED);
    if (!renderer) return false;
    SDL_RendererInfo info;
    SDL_GetRendererInfo(renderer, &info);
    std::printf("peer renderer: %s\n", info.name);
    background = Upload(renderer, backgroundPixels);
    SDL_SetTextureBlendMode(background, SDL_BLENDMODE_NONE);
    glyphs.resize(128);
    for (int c = 32; c < 128; ++c) {
      const int32_t index = font->GlyphIndexOf(c);
      if (index < 0) continue;
      TImageGlyphRef g = font->GlyphAt(index);
      TGlyph& out = glyphs[c];
      out.advance = g->advance;
      out.offsetX = g->offsetX;
      out.offsetY = g->offsetY;
      if (!g->image) continue;
      // The glyph's own A8 pixmap, as white with its coverage as alpha.
      TPixmapRef rgba = g->image->pixmaps[0]->ToFormat(PF_RGBA8888);
      out.texture = Upload(renderer, rgba);
      out.w = rgba->width;
      out.h = rgba->height;
      SDL_SetTextureBlendMode(out.texture, SDL_BLENDMODE_BLEND);
    }
    return true;
  }

  void Close() {
    for (TGlyph& g : glyphs) {
      if (g.texture) SDL_DestroyTexture(g.texture);
    }
    glyphs.clear();
    if (background) SDL_DestroyTexture(background);
    if (renderer) SDL_DestroyRenderer(renderer);
    if (window) SDL_DestroyWindow(window);
  }

  // A string from pen position (x, y), scaled and turned about the pen as the system does.
  void Text(const std::u16string& text, float x, float y, float scale, float angle) {
    const double radians = angle * M_PI / 180.0;
    const float c = static_cast<float>(std::cos(radians)),
                s = static_cast<float>(std::sin(radians));
    for (char16_t ch : text) {
      if (ch >= 128) continue;
      const TGlyph& g = glyphs[ch];
      if (g.texture) {
        // Offsets turn and scale with the text, cut to whole pixels.
        const float ox = g.offsetX * scale, oy = g.offsetY * scale;
        const float dx = std::trunc(ox * c - oy * s), dy = std::trunc(ox * s + oy * c);
        // SDL turns about a point of the destination rectangle: put the rectangle where the
        // unturned glyph would be and turn it about its own top-left corner.
        SDL_FRect dst{x + dx, y + dy, g.w * scale, g.h * scale};
        SDL_FPoint centre{0, 0};
        SDL_RenderCopyExF(renderer, g.texture, nullptr, &dst, angle, &centre, SDL_FLIP_NONE);
      }
      x += g.advance * scale * c;
      y += g.advance * scale * s;
    }
  }

  void Frame(const std::vector<TLetter>& letters, const std::string& shot = "") {
    SDL_PumpEvents();
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, background, nullptr, nullptr);
    for (const TLetter& l : letters) {
      SDL_Texture* t = glyphs[l.character].texture;
      SDL_SetTextureColorMod(t, static_cast<uint8_t>(l.red), static_cast<uint8_t>(l.green),
                             static_cast<uint8_t>(l.blue));
      SDL_SetTextureAlphaMod(t, static_cast<uint8_t>(l.alpha * 255));
      Text(std::u16string(1, l.character), l.x, l.y, kScale, l.angle);
    }
    for (char16_t ch : std::u16string(kHud)) {
      if (ch < 128 && glyphs[ch].texture) {
        SDL_SetTextureColorMod(glyphs[ch].texture, 255, 255, 0);
        SDL_SetTextureAlphaMod(glyphs[ch].texture, 255);
      }
    }
    Text(kHud, 10, 10, 1, 0);
    if (!shot.empty()) {
      TPixmapRef p = NewPixmap(kWidth, kHeight, PF_RGBA8888, 4);
      SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_ABGR8888, p->pixels, p->pitch);
      SavePixmapPng(p, shot, 6);
    }
    SDL_RenderPresent(renderer);
  }
};

}  // namespace

int main(int argc, char** argv) {
  std::string shots;
  int first = 1;
  if (argc > 1 && std::string(argv[1]).rfind("--shots=", 0) == 0) {
    shots = std::string(argv[1]).substr(8);
    first = 2;
  }
  const double seconds = argc > first ? std::atof(argv[first]) : 3.0;
  std::vector<int> counts;
  for (int i = first + 1; i < argc; ++i) counts.push_back(std::atoi(argv[i]));
  if (counts.empty()) counts = {250, 1000};

  InitGraphics();
  SetSystemDriver(std::make_shared<TNativeSystemDriver>());
  const TPixmapRef backgroundPixels = MakeBackground();

  TOwnPath own;
  // The game's background flags (masked and filtered) and its font (32 pixels, smooth).
  own.background =
      TImage::FromSource(backgroundPixels, ImageFlagMasked | ImageFlagFiltered, 0, 0, 0);
  own.font = LoadFontFile(kFont, 32, FontStyleSmooth);
  if (!own.font) {
    std::fprintf(stderr, "no font at %s\n", kFont);
    return 1;
  }

  struct TRow {
    int n;
    double pages, ownTextures, peer;
  };
  std::vector<TRow> rows;
  for (int n : counts) rows.push_back({n, 0, 0, 0});

  double limit = 0;
  for (bool pages : {true, false}) {
    if (!own.Open(pages)) {
      std::fprintf(stderr, "cannot open graphics (is DISPLAY set?)\n");
      return 1;
    }
    if (pages) {
      limit = Measure(seconds, [] {
        ClearScreen();
        FlipScreen(0);
      });
    }
    for (TRow& row : rows) {
      const std::vector<TLetter> letters = MakeLetters(row.n);
      const double fps = Measure(seconds, [&] { own.Frame(letters); });
      (pages ? row.pages : row.ownTextures) = fps;
      if (!shots.empty() && &row == &rows.back()) {
        own.Frame(letters, shots + (pages ? "/own_pages.png" : "/own_textures.png"));
      }
    }
    CloseAppGraphics();
  }
  GLRenderDriver()->SetTexturePages(true);

  TPeer peer;
  if (!peer.Open(backgroundPixels, own.font)) {
    std::fprintf(stderr, "peer: %s\n", SDL_GetError());
    return 1;
  }
  const double peerLimit = Measure(seconds, [&] {
    SDL_RenderClear(peer.renderer);
    SDL_RenderPresent(peer.renderer);
  });
  for (TRow& row : rows) {
    const std::vector<TLetter> letters = MakeLetters(row.n);
    row.peer = Measure(seconds, [&] { peer.Frame(letters); });
    if (!shots.empty() && &row == &rows.back()) peer.Frame(letters, shots + "/peer.png");
  }
  peer.Close();

  std::printf("clear + present alone: %.0f fps (peer %.0f fps)\n", limit, peerLimit);
  std::printf("%6s %14s %16s %14s %8s\n", "N", "pages fps", "own-texture fps", "SDL peer fps",
              "ratio");
  for (const TRow& row : rows) {
    std::printf("%6d %14.1f %16.1f %14.1f %8.2f\n", row.n, row.pages, row.ownTextures, row.peer,
                row.peer > 0 ? row.pages / row.peer : 0.0);
  }
  return 0;
}
