// Pixmap speed: PNG decoding beside stb_image, conversion and resampling beside memcpy.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "graphics/pixmap.h"
#include "graphics/pixmap_decoder.h"
#include "graphics/png_decoder.h"
#include "runtime/stream.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace {

constexpr int32_t kWidth = 1024;
constexpr int32_t kHeight = 768;
constexpr double kPixels = double{kWidth} * kHeight;

uint8_t Clamp(int v) {
  return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

// A picture like a game background: gradients, discs with shading, bars and stripes.
TPixmapRef Picture(int32_t format) {
  TPixmapRef p = NewPixmap(kWidth, kHeight, format, 4);
  struct Disc {
    int cx, cy, r;
    uint8_t red, green, blue;
  } discs[] = {{200, 200, 120, 240, 180, 40},
               {700, 300, 200, 40, 160, 220},
               {480, 620, 90, 200, 60, 120},
               {900, 650, 60, 250, 250, 250}};
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) {
      int r = x / 4, g = y / 3, b = 96 + (x + y) / 16, a = 255 - y / 4;
      for (const Disc& d : discs) {
        const int dx = x - d.cx, dy = y - d.cy, dd = dx * dx + dy * dy;
        if (dd < d.r * d.r) {
          const int shade = 255 - dd * 160 / (d.r * d.r);
          r = d.red * shade / 255;
          g = d.green * shade / 255;
          b = d.blue * shade / 255;
          a = 200 + shade / 5;
        }
      }
      if (y > 560 && y < 600 && (x / 32) % 2 == 0) r = g = b = 30;
      if (x > 40 && x < 80) b = 255 - y / 3, a = 128;
      p->PutPixelARGB(
          x, y,
          uint32_t{Clamp(a)} << 24 | uint32_t{Clamp(r)} << 16 | uint32_t{Clamp(g)} << 8 | Clamp(b));
    }
  }
  return p;
}

const std::vector<uint8_t>& PngOf(int32_t format) {
  static std::vector<uint8_t> rgb, rgba;
  std::vector<uint8_t>& bytes = format == PF_RGB888 ? rgb : rgba;
  if (bytes.empty()) {
    auto out = TMemoryStream::Growing();
    SavePixmapPng(Picture(format), out, 6);
    bytes = out->Bytes();
  }
  return bytes;
}

void SetPixelRate(benchmark::State& state, double pixelsPerIteration) {
  state.counters["Mpix/s"] =
      benchmark::Counter(pixelsPerIteration * static_cast<double>(state.iterations()) / 1e6,
                         benchmark::Counter::kIsRate);
}

void BM_LoadPixmapFrom(benchmark::State& state) {
  const int32_t format = static_cast<int32_t>(state.range(0));
  const std::vector<uint8_t>& png = PngOf(format);
  // Both decoders must see the same picture, or the race means nothing.
  int w, h, n;
  uint8_t* reference =
      stbi_load_from_memory(png.data(), static_cast<int>(png.size()), &w, &h, &n, 0);
  TPixmapRef check =
      LoadPixmapFrom(TMemoryStream::Borrow(png.data(), static_cast<int64_t>(png.size())));
  bool same = reference && check && check->format == format && w == kWidth && h == kHeight;
  for (int32_t y = 0; same && y < kHeight; ++y) {
    same = std::memcmp(check->PixelAddress(0, y), reference + static_cast<size_t>(y) * w * n,
                       static_cast<size_t>(w) * n) == 0;
  }
  stbi_image_free(reference);
  if (!same) {
    state.SkipWithError("LoadPixmapFrom and stb_image disagree");
    return;
  }
  for (auto _ : state) {
    TPixmapRef p =
        LoadPixmapFrom(TMemoryStream::Borrow(png.data(), static_cast<int64_t>(png.size())));
    benchmark::DoNotOptimize(p->pixels);
  }
  state.SetLabel(std::to_string(png.size()) + " bytes of PNG");
  SetPixelRate(state, kPixels);
}

void BM_StbImage(benchmark::State& state) {
  const std::vector<uint8_t>& png = PngOf(static_cast<int32_t>(state.range(0)));
  for (auto _ : state) {
    int w, h, n;
    uint8_t* pixels =
        stbi_load_from_memory(png.data(), static_cast<int>(png.size()), &w, &h, &n, 0);
    benchmark::DoNotOptimize(pixels);
    stbi_image_free(pixels);
  }
  SetPixelRate(state, kPixels);
}

void BM_ToFormatRgbToRgba(benchmark::State& state) {
  TPixmapRef rgb = Picture(PF_RGB888);
  for (auto _ : state) {
    TPixmapRef rgba = rgb->ToFormat(PF_RGBA8888);
    benchmark::DoNotOptimize(rgba->pixels);
  }
  SetPixelRate(state, kPixels);
}

void BM_ResampleHalf(benchmark::State& state) {
  TPixmapRef rgba = Picture(PF_RGBA8888);
  for (auto _ : state) {
    TPixmapRef half = ResamplePixmap(rgba, kWidth / 2, kHeight / 2);
    benchmark::DoNotOptimize(half->pixels);
  }
  SetPixelRate(state, kPixels);  // source pixels: each is read once
}

// The physical limit: copying the frame's bytes at the given bytes per pixel.
void BM_Memcpy(benchmark::State& state) {
  const size_t bytes = static_cast<size_t>(kPixels) * state.range(0);
  std::vector<uint8_t> from(bytes, 7);
  for (auto _ : state) {
    // A fresh destination each time, as ToFormat and ResamplePixmap have.
    std::unique_ptr<uint8_t[]> to(new uint8_t[bytes]);
    std::memcpy(to.get(), from.data(), bytes);
    benchmark::DoNotOptimize(to.get());
  }
  SetPixelRate(state, kPixels);
}

BENCHMARK(BM_LoadPixmapFrom)->Arg(PF_RGB888)->Arg(PF_RGBA8888)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StbImage)->Arg(PF_RGB888)->Arg(PF_RGBA8888)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ToFormatRgbToRgba)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResampleHalf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memcpy)->Arg(3)->Arg(4)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  InitPixmaps();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
