// TImage: master pixmaps per frame and the driver frames made from them on demand.
#include "graphics/image.h"

#include <cstring>

#include "graphics/draw_graphics.h"
#include "graphics/graphics.h"
#include "graphics/pixmap_decoder.h"

namespace {

bool InRange(const TImage& image, int32_t index) {
  return index >= 0 && index < static_cast<int32_t>(image.pixmaps.size());
}

}  // namespace

TImageFrameRef TImage::GetFrame(int32_t index) {
  if (!InRange(*this, index)) return nullptr;
  const int32_t sequence = GraphicsSequence();
  if (frameSequences[index] == sequence) return frames[index];
  const TRenderDriverRef& driver = CurrentRenderDriver();
  if (!driver) return nullptr;
  TPixmapRef pixmap = LockPixmap(index, 1, 0);
  if (!pixmap) return nullptr;
  // The sequence is recorded only once the frame exists: a driver that raised (no texture size
  // fits) is asked again next time instead of leaving a null frame marked current.
  TImageFrameRef frame = driver->CreateFrame(pixmap, flags);
  frames[index] = frame;
  frameSequences[index] = frame ? sequence : 0;
  return frame;
}

TPixmapRef TImage::LockPixmap(int32_t index, int32_t read, int32_t write) {
  if (!InRange(*this, index)) return nullptr;
  if (write) {
    frameSequences[index] = 0;
    frames[index] = nullptr;
  }
  if (!pixmaps[index]) {
    if (!PixmapFits(width, height, PF_RGBA8888, 4)) return nullptr;
    TPixmapRef p = NewPixmap(width, height, PF_RGBA8888, 4);
    // Cleared, so a frame drawn before it is written shows nothing rather than stale memory.
    std::memset(p->pixels, 0, static_cast<size_t>(p->pitch) * p->height);
    pixmaps[index] = p;
  }
  return pixmaps[index];
}

void TImage::AssignPixmap(int32_t index, TPixmapRef pixmap) {
  if (!InRange(*this, index)) return;
  if ((flags & ImageFlagMasked) && pixmap && pixmap->format >= 0 && pixmap->format <= 6 &&
      AlphaBits[pixmap->format] == 0) {
    pixmap = ApplyColorKey(pixmap, maskRed, maskGreen, maskBlue);
  }
  pixmaps[index] = std::move(pixmap);
  frameSequences[index] = 0;
  frames[index] = nullptr;
}

TImageRef TImage::New(int32_t width, int32_t height, int32_t frameCount, int32_t flags,
                      int32_t maskRed, int32_t maskGreen, int32_t maskBlue) {
  auto image = std::make_shared<TImage>();
  image->width = width;
  image->height = height;
  image->flags = flags;
  image->maskRed = maskRed;
  image->maskGreen = maskGreen;
  image->maskBlue = maskBlue;
  const size_t count = frameCount > 0 ? static_cast<size_t>(frameCount) : 0;
  image->pixmaps.resize(count);
  image->frames.resize(count);
  image->frameSequences.assign(count, 0);
  return image;
}

TImageRef TImage::FromSource(const TPixmapRef& pixmap, int32_t flags, int32_t maskRed,
                             int32_t maskGreen, int32_t maskBlue) {
  if (!pixmap) return nullptr;
  TImageRef image = New(pixmap->width, pixmap->height, 1, flags, maskRed, maskGreen, maskBlue);
  image->AssignPixmap(0, pixmap);
  return image;
}

TImageRef TImage::FromSource(const std::string& source, int32_t flags, int32_t maskRed,
                             int32_t maskGreen, int32_t maskBlue) {
  return FromSource(LoadPixmapFrom(source), flags, maskRed, maskGreen, maskBlue);
}

TImageRef TImage::FromStrip(const TPixmapRef& pixmap, int32_t cellWidth, int32_t cellHeight,
                            int32_t first, int32_t count, int32_t flags, int32_t maskRed,
                            int32_t maskGreen, int32_t maskBlue) {
  if (!pixmap || cellWidth <= 0 || cellHeight <= 0 || first < 0 || count < 0) return nullptr;
  const int32_t across = pixmap->width / cellWidth;
  const int32_t down = pixmap->height / cellHeight;
  if (static_cast<int64_t>(across) * down < static_cast<int64_t>(first) + count) return nullptr;
  TImageRef image = New(cellWidth, cellHeight, count, flags, maskRed, maskGreen, maskBlue);
  for (int32_t i = first; i < first + count; ++i) {
    const int32_t x = cellWidth * (i % across), y = cellHeight * (i / across);
    image->AssignPixmap(i - first, pixmap->SubView(x, y, cellWidth, cellHeight)->Duplicate());
  }
  return image;
}

TImageRef TImage::FromStrip(const std::string& source, int32_t cellWidth, int32_t cellHeight,
                            int32_t first, int32_t count, int32_t flags, int32_t maskRed,
                            int32_t maskGreen, int32_t maskBlue) {
  if (cellWidth <= 0 || cellHeight <= 0 || first < 0 || count < 0) return nullptr;
  return FromStrip(LoadPixmapFrom(source), cellWidth, cellHeight, first, count, flags, maskRed,
                   maskGreen, maskBlue);
}

// ---- Module functions

namespace {

int32_t ResolveFlags(int32_t flags) {
  return flags == -1 ? DefaultImageFlags() : flags;
}

TImageRef WithAutoHandle(TImageRef image) {
  if (image && AutoMidHandle()) CenterImageAnchor(image);
  return image;
}

}  // namespace

TImageRef LoadImageFile(const std::string& source, int32_t flags) {
  int32_t r, g, b;
  GetImageMaskColor(r, g, b);
  return WithAutoHandle(TImage::FromSource(source, ResolveFlags(flags), r, g, b));
}

TImageRef LoadImageStrip(const std::string& source, int32_t cellWidth, int32_t cellHeight,
                         int32_t first, int32_t count, int32_t flags) {
  int32_t r, g, b;
  GetImageMaskColor(r, g, b);
  return WithAutoHandle(
      TImage::FromStrip(source, cellWidth, cellHeight, first, count, ResolveFlags(flags), r, g, b));
}

TImageRef CreateBlankImage(int32_t width, int32_t height, int32_t frameCount, int32_t flags) {
  int32_t r, g, b;
  GetImageMaskColor(r, g, b);
  return WithAutoHandle(
      TImage::New(width, height, frameCount, ResolveFlags(flags) | ImageFlagDynamic, r, g, b));
}

void SetImageAnchor(const TImageRef& image, float x, float y) {
  if (!image) return;
  image->handleX = x;
  image->handleY = y;
}

void CenterImageAnchor(const TImageRef& image) {
  if (!image) return;
  image->handleX = static_cast<float>(image->width) * 0.5f;
  image->handleY = static_cast<float>(image->height) * 0.5f;
}

int32_t ImagePixelWidth(const TImageRef& image) {
  return image ? image->width : 0;
}
int32_t ImagePixelHeight(const TImageRef& image) {
  return image ? image->height : 0;
}

TPixmapRef LockImageFrame(const TImageRef& image, int32_t index, int32_t read, int32_t write) {
  return image ? image->LockPixmap(index, read, write) : nullptr;
}

void UnlockImageFrame(const TImageRef&, int32_t) {}

void CaptureImage(const TImageRef& image, int32_t x, int32_t y, int32_t index) {
  const TRenderDriverRef& driver = CurrentRenderDriver();
  if (!image || !driver) return;
  TPixmapRef p = driver->ReadPixels(x, y, image->width, image->height);
  if (!p) return;
  if (image->flags & ImageFlagMasked) {
    int32_t r, g, b;
    GetImageMaskColor(r, g, b);
    p = ApplyColorKey(p, r, g, b);
  }
  image->AssignPixmap(index, p);
}
