// Font faces, their glyphs and the face-loader registry.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "graphics/pixmap.h"
#include "runtime/object.h"

class TFaceGlyph : public TObject {
 public:
  virtual TPixmapRef GlyphPixmap() = 0;
  virtual float Advance() = 0;
  virtual void GetBounds(int32_t& x, int32_t& y, int32_t& width, int32_t& height) = 0;
};
using TFaceGlyphRef = std::shared_ptr<TFaceGlyph>;

class TFontFace : public TObject {
 public:
  virtual int32_t Style() = 0;
  virtual int32_t Height() = 0;
  virtual int32_t GlyphCount() = 0;
  virtual int32_t GlyphIndexOf(int32_t character) = 0;
  virtual TFaceGlyphRef GlyphAt(int32_t index) = 0;
};
using TFontFaceRef = std::shared_ptr<TFontFace>;

class TFontFaceLoader;
using TFontFaceLoaderRef = std::shared_ptr<TFontFaceLoader>;

class TFontFaceLoader : public TObject {
 public:
  virtual TFontFaceRef OpenFace(const std::string& source, int32_t size, int32_t style) = 0;
  TFontFaceLoaderRef next;
};

// Puts a loader at the head of the registry; one already linked is left where it is.
void RegisterFontFaceLoader(const TFontFaceLoaderRef& loader);
TFontFaceRef OpenFontFace(const std::string& source, int32_t size, int32_t style);
