// Images: frames of equal size, each a master pixmap plus the driver frame made from it for the
// current graphics, with a handle and image flags.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/pixmap.h"
#include "graphics/render_driver.h"

constexpr int32_t ImageFlagMasked = 1;
constexpr int32_t ImageFlagFiltered = 2;
constexpr int32_t ImageFlagMipmapped = 4;
constexpr int32_t ImageFlagDynamic = 8;

class TImage;
using TImageRef = std::shared_ptr<TImage>;

class TImage : public TObject {
 public:
  // The driver frame for the current graphics, made if needed; null without a render driver.
  virtual TImageFrameRef GetFrame(int32_t index);
  virtual TPixmapRef LockPixmap(int32_t index, int32_t read, int32_t write);
  virtual void AssignPixmap(int32_t index, TPixmapRef pixmap);

  static TImageRef New(int32_t width, int32_t height, int32_t frameCount, int32_t flags,
                       int32_t maskRed, int32_t maskGreen, int32_t maskBlue);
  // From a pixmap, or from a source LoadPixmapFrom accepts.
  static TImageRef FromSource(const TPixmapRef& pixmap, int32_t flags, int32_t maskRed,
                              int32_t maskGreen, int32_t maskBlue);
  static TImageRef FromSource(const std::string& source, int32_t flags, int32_t maskRed,
                              int32_t maskGreen, int32_t maskBlue);
  static TImageRef FromStrip(const TPixmapRef& pixmap, int32_t cellWidth, int32_t cellHeight,
                             int32_t first, int32_t count, int32_t flags, int32_t maskRed,
                             int32_t maskGreen, int32_t maskBlue);
  static TImageRef FromStrip(const std::string& source, int32_t cellWidth, int32_t cellHeight,
                             int32_t first, int32_t count, int32_t flags, int32_t maskRed,
                             int32_t maskGreen, int32_t maskBlue);

  int32_t width = 0;
  int32_t height = 0;
  int32_t flags = 0;
  int32_t maskRed = 0, maskGreen = 0, maskBlue = 0;
  float handleX = 0, handleY = 0;
  std::vector<TPixmapRef> pixmaps;
  std::vector<TImageFrameRef> frames;
  std::vector<int32_t> frameSequences;
};

// flags -1: the default image flags.
TImageRef LoadImageFile(const std::string& source, int32_t flags);
TImageRef LoadImageStrip(const std::string& source, int32_t cellWidth, int32_t cellHeight,
                         int32_t first, int32_t count, int32_t flags);
TImageRef CreateBlankImage(int32_t width, int32_t height, int32_t frameCount, int32_t flags);
void SetImageAnchor(const TImageRef& image, float x, float y);
void CenterImageAnchor(const TImageRef& image);
void SetAutoMidHandle(int32_t on);
// -1 leaves the default unchanged.
void SetDefaultImageFlags(int32_t flags);
int32_t ImagePixelWidth(const TImageRef& image);
int32_t ImagePixelHeight(const TImageRef& image);
TPixmapRef LockImageFrame(const TImageRef& image, int32_t index, int32_t read, int32_t write);
void UnlockImageFrame(const TImageRef& image, int32_t index);
void CaptureImage(const TImageRef& image, int32_t x, int32_t y, int32_t index);
