// Whole frames through the OpenGL render driver, in frames per second: the limit (clearing and
// presenting alone), and a frame of a stretched 1024 x 768 background under 1000 alpha-blended
// 40 x 40 quads from 26 textures, drawn with the textures on shared pages, with one texture per
// picture, and mipmapped. The peer draws the same frame through SDL2's own renderer on its
// OpenGL back end (SDL_RenderCopy of the same pictures at the same places, colours and alphas).
//
// Run under an X display (Xvfb :N -screen 0 1024x768x24): bench_render_driver_frame [seconds]
// (seconds per case, spread over six rounds in which the cases take turns).
// The peer calls SDL directly: it is the yardstick, not part of the system.
#include <GL/gl.h>
#include <SDL.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "graphics/draw_graphics.h"
#include "graphics/gl_graphics_driver.h"
#include "graphics/gl_render_driver.h"
#include "graphics/graphics.h"
#include "graphics/graphics_module.h"
#include "system/sdl_system_driver.h"
#include "system/system_driver.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;
constexpr int kQuads = 1000;
constexpr int kPictures = 26;
constexpr int kSide = 40;

using Clock = std::chrono::steady_clock;

struct TQuad {
  int picture;
  float x, y;
  uint8_t red, green, blue;
  float alpha;
};

std::vector<TQuad> MakeQuads() {
  std::vector<TQuad> quads;
  uint32_t seed = 2024;
  auto next = [&seed](int range) {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<int>((seed >> 8) % static_cast<uint32_t>(range));
  };
  for (int i = 0; i < kQuads; ++i) {
    quads.push_back({next(kPictures), static_cast<float>(next(kWidth - kSide)),
                     static_cast<float>(next(kHeight - kSide)),
                     static_cast<uint8_t>(128 + next(128)), static_cast<uint8_t>(128 + next(128)),
                     static_cast<uint8_t>(128 + next(128)), 0.4f + 0.6f * next(100) / 100.0f});
  }
  return quads;
}

// A picture with a soft round edge, different per index, like a sprite or a glyph.
TPixmapRef MakePicture(int index) {
  TPixmapRef p = NewPixmap(kSide, kSide, PF_RGBA8888, 4);
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const float dx = x - kSide / 2 + 0.5f, dy = y - kSide / 2 + 0.5f;
      const float d = std::sqrt(dx * dx + dy * dy) / (kSide / 2);
      uint8_t* q = p->PixelAddress(x, y);
      q[0] = static_cast<uint8_t>(index * 9);
      q[1] = static_cast<uint8_t>(255 - 6 * x);
      q[2] = static_cast<uint8_t>(6 * y);
      q[3] = static_cast<uint8_t>(d < 1 ? 255 * (1 - d * d) : 0);
    }
  }
  return p;
}

TPixmapRef MakeBackground() {
  TPixmapRef p = NewPixmap(kWidth, kHeight, PF_RGBA8888, 4);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      uint8_t* q = p->PixelAddress(x, y);
      q[0] = static_cast<uint8_t>(x / 4), q[1] = static_cast<uint8_t>(y / 3);
      q[2] = static_cast<uint8_t>((x ^ y) & 255), q[3] = 255;
    }
  }
  return p;
}

// One way of drawing the frame: made ready by activate() (its window on top, its context
// current), timed over many frames.
struct TCase {
  const char* what;
  std::function<void()> activate;
  std::function<void()> frame;
  int frames = 0;
  double seconds = 0;
};

// The machine is shared, so its speed drifts: the cases take turns in short slices, several
// rounds, and each case's rate is its frames over its own time.
void MeasureInTurns(std::vector<TCase>& cases, double seconds) {
  const int rounds = 6;
  for (int round = 0; round < rounds; ++round) {
    for (TCase& c : cases) {
      c.activate();
      for (int i = 0; i < 3; ++i) c.frame();
      const Clock::time_point start = Clock::now();
      double elapsed = 0;
      do {
        c.frame();
        ++c.frames;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
      } while (elapsed < seconds / rounds);
      c.seconds += elapsed;
    }
  }
}

double Rate(const TCase& c) {
  return c.frames / c.seconds;
}

void Report(const TCase& c) {
  std::printf("%-58s %8.1f fps %7.2f ms\n", c.what, Rate(c), 1000.0 / Rate(c));
}

// The frame through the render driver, with its own set of frames.
std::function<void()> DriverFrame(const std::vector<TQuad>& quads, bool pages, int32_t flags) {
  TGLRenderDriver& driver = *GLRenderDriver();
  driver.SetTexturePages(pages);
  TImageFrameRef background = driver.CreateFrame(MakeBackground(), 2);
  std::vector<TImageFrameRef> pictures;
  for (int i = 0; i < kPictures; ++i) pictures.push_back(driver.CreateFrame(MakePicture(i), flags));
  driver.SetTexturePages(true);
  return [&driver, &quads, background, pictures] {
    driver.ClearBuffer();
    driver.ApplyBlend(BLEND_SOLID);
    driver.ApplyColor(255, 255, 255);
    driver.ApplyAlpha(1);
    background->DrawQuad(0, 0, kWidth, kHeight, 0, 0);
    driver.ApplyBlend(BLEND_ALPHA);
    for (const TQuad& q : quads) {
      driver.ApplyColor(q.red, q.green, q.blue);
      driver.ApplyAlpha(q.alpha);
      pictures[q.picture]->DrawQuad(0, 0, kSide, kSide, q.x, q.y);
    }
    FlipScreen(0);
  };
}

SDL_Texture* Upload(SDL_Renderer* renderer, const TPixmapRef& p) {
  SDL_Texture* t = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ABGR8888, SDL_TEXTUREACCESS_STATIC,
                                     p->width, p->height);
  SDL_UpdateTexture(t, nullptr, p->pixels, p->pitch);
  SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
  return t;
}

// SDL2's own renderer on its OpenGL back end, in a window of its own.
struct TPeer {
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* background = nullptr;
  std::vector<SDL_Texture*> pictures;
  std::string name;

  bool Open() {
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "opengl");
    // Naming a driver turns SDL's batching off unless asked for: ask, to be fair to the peer.
    SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    window = SDL_CreateWindow("peer", 0, 0, kWidth, kHeight, SDL_WINDOW_BORDERLESS);
    renderer = window ? SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED) : nullptr;
    if (!renderer) return false;
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(renderer, &info);
    name = std::string("peer: SDL_Renderer (") + info.name + "), same frame";
    background = Upload(renderer, MakeBackground());
    SDL_SetTextureBlendMode(background, SDL_BLENDMODE_NONE);
    for (int i = 0; i < kPictures; ++i) pictures.push_back(Upload(renderer, MakePicture(i)));
    return true;
  }
  void Frame(const std::vector<TQuad>& quads) {
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, background, nullptr, nullptr);
    for (const TQuad& q : quads) {
      SDL_Texture* t = pictures[q.picture];
      SDL_SetTextureColorMod(t, q.red, q.green, q.blue);
      SDL_SetTextureAlphaMod(t, static_cast<Uint8>(q.alpha * 255));
      SDL_FRect to{q.x, q.y, kSide, kSide};
      SDL_RenderCopyF(renderer, t, nullptr, &to);
    }
    SDL_RenderPresent(renderer);
  }
  ~TPeer() {
    for (SDL_Texture* t : pictures) SDL_DestroyTexture(t);
    if (background) SDL_DestroyTexture(background);
    if (renderer) SDL_DestroyRenderer(renderer);
    if (window) SDL_DestroyWindow(window);
  }
};

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
  InitGraphics();
  SetSystemDriver(std::make_shared<TNativeSystemDriver>());
  TGraphicsRef graphics = OpenGraphics(kWidth, kHeight, 32, 0, 0);
  if (!graphics) {
    std::fprintf(stderr, "No display: run under X (Xvfb :N -screen 0 1024x768x24)\n");
    return 1;
  }
  std::printf("%s, %d x %d, %d quads of %d x %d from %d textures\n",
              reinterpret_cast<const char*>(glGetString(GL_RENDERER)), kWidth, kHeight, kQuads,
              kSide, kSide, kPictures);
  const uint32_t ours = std::dynamic_pointer_cast<TGLSurface>(
                            std::dynamic_pointer_cast<TDrawGraphics>(graphics)->surface)
                            ->WindowId();
  // The peer's renderer takes its own context: ours is made current again, and our window
  // raised over the peer's, before each of our slices.
  auto activateOurs = [&graphics, ours] {
    SDL_RaiseWindow(SDL_GetWindowFromID(ours));
    MakeGraphicsCurrent(nullptr);
    MakeGraphicsCurrent(graphics);
  };
  TGLRenderDriver& driver = *GLRenderDriver();
  const std::vector<TQuad> quads = MakeQuads();
  TPeer peer;
  const bool withPeer = peer.Open();
  if (!withPeer) std::printf("peer unavailable: %s\n", SDL_GetError());

  std::vector<TCase> cases;
  cases.push_back({"limit: ClearScreen + FlipScreen(0)", activateOurs, [&driver] {
                     driver.ClearBuffer();
                     FlipScreen(0);
                   }});
  activateOurs();
  cases.push_back(
      {"render driver, pages, filtered (flags 2)", activateOurs, DriverFrame(quads, true, 2)});
  cases.push_back(
      {"render driver, pages, mipmapped (flags 6)", activateOurs, DriverFrame(quads, true, 6)});
  cases.push_back(
      {"render driver, one texture each (flags 2)", activateOurs, DriverFrame(quads, false, 2)});
  cases.push_back(
      {"render driver, one texture each (flags 6)", activateOurs, DriverFrame(quads, false, 6)});
  if (withPeer) {
    cases.push_back({peer.name.c_str(), [&peer] { SDL_RaiseWindow(peer.window); },
                     [&peer, &quads] { peer.Frame(quads); }});
  }
  MeasureInTurns(cases, seconds);
  for (const TCase& c : cases) Report(c);
  if (withPeer) {
    std::printf("render driver (pages, flags 2) / peer: %.2fx; (pages, flags 6) / peer: %.2fx\n",
                Rate(cases[1]) / Rate(cases.back()), Rate(cases[2]) / Rate(cases.back()));
  }
  cases.clear();
  CloseAppGraphics();
  return 0;
}
