// Whole frames through the OpenGL render driver, in frames per second: the limit (clearing and
// presenting alone), and a frame of a stretched 1024 x 768 background under 1000 alpha-blended
// 40 x 40 quads from 26 textures, drawn with the textures on shared pages, with one texture per
// picture, and mipmapped. The peer draws the same frame through SDL2's own renderer on its
// OpenGL back end (SDL_RenderCopy of the same pictures at the same places, colours and alphas).
//
// Run under an X display (Xvfb :N -screen 0 1024x768x24): bench_render_driver_frame [seconds]
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

// Frames per second of frame() over about the given time, after a few frames to warm up.
double Measure(double seconds, const std::function<void()>& frame) {
  for (int i = 0; i < 10; ++i) frame();
  int frames = 0;
  const Clock::time_point start = Clock::now();
  double elapsed = 0;
  do {
    frame();
    ++frames;
    elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  } while (elapsed < seconds);
  return frames / elapsed;
}

void Report(const char* what, double fps) {
  std::printf("%-58s %8.1f fps %7.2f ms\n", what, fps, 1000.0 / fps);
}

double DriverFrames(double seconds, const std::vector<TQuad>& quads, bool pages, int32_t flags,
                    const char* what) {
  TGLRenderDriver& driver = *GLRenderDriver();
  driver.SetTexturePages(pages);
  TImageFrameRef background = driver.CreateFrame(MakeBackground(), 2);
  std::vector<TImageFrameRef> pictures;
  for (int i = 0; i < kPictures; ++i) pictures.push_back(driver.CreateFrame(MakePicture(i), flags));
  const double fps = Measure(seconds, [&] {
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
  });
  Report(what, fps);
  driver.SetTexturePages(true);
  return fps;
}

SDL_Texture* Upload(SDL_Renderer* renderer, const TPixmapRef& p) {
  SDL_Texture* t = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ABGR8888, SDL_TEXTUREACCESS_STATIC,
                                     p->width, p->height);
  SDL_UpdateTexture(t, nullptr, p->pixels, p->pitch);
  SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
  return t;
}

double PeerFrames(double seconds, const std::vector<TQuad>& quads) {
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, "opengl");
  // Naming a driver turns SDL's batching off unless asked for: ask, to be fair to the peer.
  SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
  SDL_Window* window = SDL_CreateWindow("peer", 0, 0, kWidth, kHeight, SDL_WINDOW_BORDERLESS);
  SDL_Renderer* renderer =
      window ? SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED) : nullptr;
  if (!renderer) {
    std::printf("SDL_Renderer (opengl): unavailable: %s\n", SDL_GetError());
    if (window) SDL_DestroyWindow(window);
    return 0;
  }
  SDL_RendererInfo info{};
  SDL_GetRendererInfo(renderer, &info);
  SDL_Texture* background = Upload(renderer, MakeBackground());
  SDL_SetTextureBlendMode(background, SDL_BLENDMODE_NONE);
  std::vector<SDL_Texture*> pictures;
  for (int i = 0; i < kPictures; ++i) pictures.push_back(Upload(renderer, MakePicture(i)));
  const double fps = Measure(seconds, [&] {
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
  });
  char what[96];
  std::snprintf(what, sizeof what, "peer: SDL_Renderer (%s), same frame", info.name);
  Report(what, fps);
  for (SDL_Texture* t : pictures) SDL_DestroyTexture(t);
  SDL_DestroyTexture(background);
  SDL_DestroyRenderer(renderer);
  SDL_DestroyWindow(window);
  return fps;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
  // An optional second argument runs one case alone (for a profiler): limit, pages, pages-mip,
  // own, own-mip or peer.
  const std::string only = argc > 2 ? argv[2] : "";
  auto runs = [&only](const char* name) { return only.empty() || only == name; };
  InitGraphics();
  SetSystemDriver(std::make_shared<TNativeSystemDriver>());
  if (!OpenGraphics(kWidth, kHeight, 32, 0, 0)) {
    std::fprintf(stderr, "No display: run under X (Xvfb :N -screen 0 1024x768x24)\n");
    return 1;
  }
  std::printf("%s, %d x %d, %d quads of %d x %d from %d textures\n",
              reinterpret_cast<const char*>(glGetString(GL_RENDERER)), kWidth, kHeight, kQuads,
              kSide, kSide, kPictures);
  TGLRenderDriver& driver = *GLRenderDriver();
  if (runs("limit")) {
    Report("limit: ClearScreen + FlipScreen(0)", Measure(seconds, [&] {
             driver.ClearBuffer();
             FlipScreen(0);
           }));
  }
  const std::vector<TQuad> quads = MakeQuads();
  double paged = 0, peer = 0;
  if (runs("pages")) {
    paged = DriverFrames(seconds, quads, true, 2, "render driver, pages, filtered (flags 2)");
  }
  if (runs("pages-mip")) {
    DriverFrames(seconds, quads, true, 6, "render driver, pages, mipmapped (flags 6)");
  }
  if (runs("own")) {
    DriverFrames(seconds, quads, false, 2, "render driver, one texture each (flags 2)");
  }
  if (runs("own-mip")) {
    DriverFrames(seconds, quads, false, 6, "render driver, one texture each (flags 6)");
  }
  CloseAppGraphics();
  if (runs("peer")) peer = PeerFrames(seconds, quads);
  if (paged > 0 && peer > 0) {
    std::printf("render driver (pages, flags 2) / peer: %.2fx\n", paged / peer);
  }
  return 0;
}
