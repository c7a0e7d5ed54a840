// Image fonts: TGlyphFont turns characters into glyph images (from a font face, or the built-in
// 8 x 16 font) and draws strings glyph by glyph along the current transform.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "graphics/font_face.h"
#include "graphics/image.h"

constexpr int32_t FontStyleSmooth = 4;

class TImageGlyph : public TObject {
 public:
  TImageRef GlyphImage() const { return image; }
  float Advance() const { return advance; }
  void GetBounds(int32_t& x, int32_t& y, int32_t& w, int32_t& h) const;

  TImageRef image;
  float advance = 0;
  int32_t offsetX = 0, offsetY = 0, width = 0, height = 0;
};
using TImageGlyphRef = std::shared_ptr<TImageGlyph>;

class TGlyphFont;
using TGlyphFontRef = std::shared_ptr<TGlyphFont>;

class TGlyphFont : public TObject {
 public:
  virtual int32_t Style();
  virtual int32_t Height();
  virtual int32_t GlyphCount();
  // -1 when there is no glyph for the character.
  virtual int32_t GlyphIndexOf(int32_t character);
  virtual TImageGlyphRef GlyphAt(int32_t index);
  virtual void DrawString(const std::u16string& text, float x, float y, float ix, float iy,
                          float jx, float jy);

  static TGlyphFontRef Open(const std::string& source, int32_t size, int32_t style);
  static TGlyphFontRef BuiltIn();

  TFontFaceRef face;
  std::vector<TImageGlyphRef> glyphs;
  int32_t imageFlags = 0;

 private:
  // The face's answers for characters 0 to 255 (-2: not asked yet) and for the others: every
  // drawn and measured character asks, and the face's lookup is a table search.
  int32_t latinIndex_[256];
  bool latinCached_ = false;
  std::unordered_map<int32_t, int32_t> otherIndex_;
};

TGlyphFontRef LoadFontFile(const std::string& source, int32_t size, int32_t style);
// Width of the text in the current font, unscaled.
int32_t TextPixelWidth(const std::u16string& text);
int32_t FontLineHeight();

// Module start-up: embeds the built-in font's data as "incbin::kestrelfont.bin" and registers
// the TrueType face loader.
void InitFonts();
