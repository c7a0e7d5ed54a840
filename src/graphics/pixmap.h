// TPixmap, the pixel formats and their tables, and the pixmap operations.
#pragma once

#include <cstdint>
#include <memory>

#include "runtime/object.h"

// Pixel format numbers; bytes are named in memory order.
constexpr int32_t PF_NONE = 0;
constexpr int32_t PF_I8 = 1;        // intensity
constexpr int32_t PF_A8 = 2;        // alpha
constexpr int32_t PF_BGR888 = 3;    // blue, green, red
constexpr int32_t PF_RGB888 = 4;    // red, green, blue
constexpr int32_t PF_BGRA8888 = 5;  // blue, green, red, alpha
constexpr int32_t PF_RGBA8888 = 6;  // red, green, blue, alpha

// Per-format tables, indexed by format number 0 to 6.
extern const int32_t BytesPerPixel[7];
extern const int32_t BitsPerPixel[7];
extern const int32_t RedBits[7];
extern const int32_t GreenBits[7];
extern const int32_t BlueBits[7];
extern const int32_t AlphaBits[7];

class TPixmap;
using TPixmapRef = std::shared_ptr<TPixmap>;

// A rectangle of pixels in main memory. A pixmap made by New owns its (16-byte aligned) memory;
// one made by Wrap or SubView looks into memory that someone else keeps alive.
class TPixmap : public TObject {
 public:
  ~TPixmap() override;

  // Owning pixmap; each row starts on a multiple of align bytes. The pixels are not cleared.
  // Raises a runtime error when the size cannot be held (negative sides, or more pixel bytes
  // than capacity can count): decoders check with PixmapFits first.
  static TPixmapRef New(int32_t width, int32_t height, int32_t format, int32_t align);
  // A pixmap over memory it does not own (capacity -1); copies and frees nothing.
  static TPixmapRef Wrap(uint8_t* pixels, int32_t width, int32_t height, int32_t pitch,
                         int32_t format);

  // No range checks anywhere below: callers keep coordinates and rectangles inside.
  virtual uint8_t* PixelAddress(int32_t x, int32_t y);
  // A window into this pixmap's memory; it keeps no reference to this pixmap.
  virtual TPixmapRef SubView(int32_t x, int32_t y, int32_t width, int32_t height);
  virtual TPixmapRef Duplicate();
  // Copies all of source into this pixmap with its top-left corner at (x, y), converting.
  virtual void PasteFrom(const TPixmapRef& source, int32_t x, int32_t y);
  virtual TPixmapRef ToFormat(int32_t format);
  virtual uint32_t GetPixelARGB(int32_t x, int32_t y);
  virtual void PutPixelARGB(int32_t x, int32_t y, uint32_t argb);

  uint8_t* pixels = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int32_t pitch = 0;
  int32_t format = PF_NONE;
  // Bytes of pixel memory this pixmap owns, or -1 when the memory belongs to someone else.
  int32_t capacity = -1;
};

// True when New(width, height, format, align) can be made: positive sides, a known format and
// pitch × height within capacity's range. Decoders ask before they trust a file's header.
bool PixmapFits(int64_t width, int64_t height, int32_t format, int32_t align = 4);

TPixmapRef NewPixmap(int32_t width, int32_t height, int32_t format, int32_t align);
TPixmapRef WrapPixels(uint8_t* pixels, int32_t width, int32_t height, int32_t pitch,
                      int32_t format);
TPixmapRef DuplicatePixmap(const TPixmapRef& pixmap);
TPixmapRef ConvertPixmapFormat(const TPixmapRef& pixmap, int32_t format);
int32_t GetPixmapWidth(const TPixmapRef& pixmap);
int32_t GetPixmapHeight(const TPixmapRef& pixmap);
int32_t GetPixmapPitch(const TPixmapRef& pixmap);
int32_t GetPixmapFormat(const TPixmapRef& pixmap);
uint8_t* GetPixmapPixelAddress(const TPixmapRef& pixmap, int32_t x, int32_t y);
TPixmapRef GetPixmapSubView(const TPixmapRef& pixmap, int32_t x, int32_t y, int32_t width,
                            int32_t height);
uint32_t ReadPixelARGB(const TPixmapRef& pixmap, int32_t x, int32_t y);
void WritePixelARGB(const TPixmapRef& pixmap, int32_t x, int32_t y, uint32_t argb);

// A new RGBA8888 pixmap in which every pixel whose colour is exactly the key is transparent
// and takes the average colour of its non-key neighbours (so filtering does not bleed the key
// colour into edges); every other pixel becomes opaque.
TPixmapRef ApplyColorKey(const TPixmapRef& pixmap, int32_t red, int32_t green, int32_t blue);
TPixmapRef MirrorPixmapX(const TPixmapRef& pixmap);
TPixmapRef MirrorPixmapY(const TPixmapRef& pixmap);
// Bilinear resize; the result keeps the format of the pixmap passed in.
TPixmapRef ResamplePixmap(const TPixmapRef& pixmap, int32_t width, int32_t height);

void CopyPixelRow(const uint8_t* source, uint8_t* destination, int32_t format, int32_t count);
// Converts count pixels; formats other than RGBA8888 on both sides pass through a temporary
// RGBA8888 row.
void ConvertPixelRow(const uint8_t* source, int32_t sourceFormat, uint8_t* destination,
                     int32_t destinationFormat, int32_t count);
