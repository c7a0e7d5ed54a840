// TrueType (and every other FreeType-readable) font faces, their glyphs and their loader.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/font_face.h"

struct FT_LibraryRec_;
struct FT_FaceRec_;
struct FT_Bitmap_;

// One glyph rendered by FreeType: an A8 coverage pixmap (or none) and its metrics.
class TFreeTypeGlyph : public TFaceGlyph {
 public:
  TPixmapRef GlyphPixmap() override { return pixmap; }
  float Advance() override { return advance; }
  void GetBounds(int32_t& x, int32_t& y, int32_t& w, int32_t& h) override;

  TPixmapRef pixmap;
  // Whole pixels.
  float advance = 0;
  // From the pen position to the bitmap's left edge; from the ascent line down to its top.
  int32_t offsetX = 0, offsetY = 0, width = 0, height = 0;
};
using TFreeTypeGlyphRef = std::shared_ptr<TFreeTypeGlyph>;

class TTrueTypeFace : public TFontFace {
 public:
  ~TTrueTypeFace() override;

  int32_t Style() override { return style; }
  int32_t Height() override { return lineHeight; }
  int32_t GlyphCount() override { return static_cast<int32_t>(glyphs.size()); }
  int32_t GlyphIndexOf(int32_t character) override;
  // Glyph index g of the face is cached at g - 1; a glyph FreeType cannot load, or whose bitmap
  // would be over 8 ems on a side, stays cached as an empty glyph. Null for an index out of
  // range.
  TFaceGlyphRef GlyphAt(int32_t index) override;

  // The source is a file path or a "protocol::path" source, read whole through the stream
  // layer. Null when it gives no bytes, is not a font, or no pixel size from size down to 1 can
  // be set; null at once for a size of 0 or less.
  static std::shared_ptr<TTrueTypeFace> Open(const std::string& source, int32_t size,
                                             int32_t style);

  // Each face has its own FreeType instance, released with it.
  FT_LibraryRec_* library = nullptr;
  FT_FaceRec_* ftFace = nullptr;
  int32_t style = 0;
  int32_t lineHeight = 0;
  int32_t ascent = 0;
  int32_t descent = 0;
  std::vector<TFreeTypeGlyphRef> glyphs;
  // The font file; FreeType reads from it for as long as the face lives.
  std::vector<uint8_t> memoryBuffer;
};
using TTrueTypeFaceRef = std::shared_ptr<TTrueTypeFace>;

class TTrueTypeFaceLoader : public TFontFaceLoader {
 public:
  // Null unless the source is a non-empty string.
  TFontFaceRef OpenFace(const std::string& source, int32_t size, int32_t style) override;
};

// An A8 pixmap of a rendered glyph bitmap, read by its pixel mode: grey copied (levels scaled
// to 0..255), one-bit unpacked, 2- and 4-bit and colour converted, anything else none. Rows in
// either direction (negative pitch). Null for a bitmap without width or rows.
TPixmapRef FreeTypeBitmapToPixmap(FT_LibraryRec_* library, const FT_Bitmap_& bitmap);
