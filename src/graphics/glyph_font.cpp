// TGlyphFont: glyph images made on first use from a font face or the built-in 8 x 16 font,
// strings drawn one textured quad per glyph along the current transform.
#include "graphics/glyph_font.h"

#include <algorithm>
#include <cmath>

#include "graphics/builtin_font_data.h"
#include "graphics/draw_graphics.h"
#include "graphics/truetype_face.h"
#include "runtime/module_init.h"
#include "runtime/stream.h"

namespace {

const char* const kBuiltInFontSource = "incbin::kestrelfont.bin";

void RegisterBuiltInFontData() {
  RegisterEmbeddedData("kestrelfont.bin", BuiltInFontData, BuiltInFontDataSize);
}

constexpr int32_t kBuiltInFirst = 32;
constexpr int32_t kBuiltInCount = 96;
constexpr int32_t kBuiltInWidth = 8;
constexpr int32_t kBuiltInHeight = 16;

}  // namespace

void TImageGlyph::GetBounds(int32_t& x, int32_t& y, int32_t& w, int32_t& h) const {
  x = offsetX;
  y = offsetY;
  w = width;
  h = height;
}

int32_t TGlyphFont::Style() {
  return face ? face->Style() : 0;
}

int32_t TGlyphFont::Height() {
  return face ? face->Height() : kBuiltInHeight;
}

int32_t TGlyphFont::GlyphCount() {
  return static_cast<int32_t>(glyphs.size());
}

int32_t TGlyphFont::GlyphIndexOf(int32_t character) {
  if (!face) {
    return character >= kBuiltInFirst && character < kBuiltInFirst + kBuiltInCount
               ? character - kBuiltInFirst
               : -1;
  }
  if (character >= 0 && character < 256) {
    if (!latinCached_) {
      std::fill(std::begin(latinIndex_), std::end(latinIndex_), -2);
      latinCached_ = true;
    }
    int32_t& cached = latinIndex_[character];
    if (cached == -2) cached = face->GlyphIndexOf(character);
    return cached;
  }
  auto it = otherIndex_.find(character);
  if (it != otherIndex_.end()) return it->second;
  const int32_t index = face->GlyphIndexOf(character);
  otherIndex_.emplace(character, index);
  return index;
}

TImageGlyphRef TGlyphFont::GlyphAt(int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(glyphs.size())) return nullptr;
  if (glyphs[index]) return glyphs[index];
  auto glyph = std::make_shared<TImageGlyph>();
  glyphs[index] = glyph;
  if (!face) return glyph;
  TFaceGlyphRef fg = face->GlyphAt(index);
  if (!fg) return glyph;
  glyph->advance = fg->Advance();
  fg->GetBounds(glyph->offsetX, glyph->offsetY, glyph->width, glyph->height);
  if (TPixmapRef pixmap = fg->GlyphPixmap()) {
    glyph->image = TImage::FromSource(pixmap->Duplicate(), imageFlags, 0, 0, 0);
  }
  return glyph;
}

void TGlyphFont::DrawString(const std::u16string& text, float x, float y, float ix, float iy,
                            float jx, float jy) {
  for (char16_t ch : text) {
    const int32_t index = GlyphIndexOf(ch);
    if (index < 0) continue;
    const TImageGlyphRef glyph = GlyphAt(index);
    if (!glyph) continue;
    // Offsets land on whole pixels, so scaled glyphs keep their sharp edges on the grid.
    const float ox = static_cast<float>(glyph->offsetX), oy = static_cast<float>(glyph->offsetY);
    const float dx = std::trunc(ox * ix + oy * iy);
    const float dy = std::trunc(ox * jx + oy * jy);
    if (glyph->image) {
      if (TImageFrameRef frame = glyph->image->GetFrame(0)) {
        frame->DrawQuad(0, 0, static_cast<float>(glyph->image->width),
                        static_cast<float>(glyph->image->height), x + dx, y + dy);
      }
    }
    x += glyph->advance * ix;
    y += glyph->advance * jx;
  }
}

TGlyphFontRef TGlyphFont::Open(const std::string& source, int32_t size, int32_t style) {
  TFontFaceRef face = OpenFontFace(source, size, style);
  if (!face) return nullptr;
  auto font = std::make_shared<TGlyphFont>();
  font->face = face;
  font->glyphs.resize(static_cast<size_t>(std::max(face->GlyphCount(), 0)));
  font->imageFlags = (style & FontStyleSmooth) ? ImageFlagFiltered | ImageFlagMipmapped : 0;
  return font;
}

TGlyphFontRef TGlyphFont::BuiltIn() {
  auto font = std::make_shared<TGlyphFont>();
  font->glyphs.resize(kBuiltInCount);

  RegisterBuiltInFontData();
  std::vector<uint8_t> data = LoadBytes(kBuiltInFontSource);
  // Without its data (no stream layer yet) the font still measures; it draws blanks.
  data.resize(BuiltInFontDataSize, 0);

  const int32_t sheetWidth = kBuiltInCount * kBuiltInWidth;
  TPixmapRef sheet = NewPixmap(sheetWidth, kBuiltInHeight, PF_RGBA8888, 4);
  for (int32_t r = 0; r < kBuiltInHeight; ++r) {
    for (int32_t c = 0; c < kBuiltInCount; ++c) {
      const uint8_t bits = data[static_cast<size_t>(kBuiltInCount * r + c)];
      for (int32_t j = 0; j < kBuiltInWidth; ++j) {
        sheet->PutPixelARGB(kBuiltInWidth * c + j, r, (bits >> j) & 1 ? 0xFFFFFFFFu : 0);
      }
    }
  }
  for (int32_t c = 0; c < kBuiltInCount; ++c) {
    auto glyph = std::make_shared<TImageGlyph>();
    glyph->advance = static_cast<float>(kBuiltInWidth);
    glyph->width = kBuiltInWidth;
    glyph->height = kBuiltInHeight;
    glyph->image = TImage::FromSource(
        sheet->SubView(kBuiltInWidth * c, 0, kBuiltInWidth, kBuiltInHeight)->Duplicate(), 0, 0, 0,
        0);
    font->glyphs[c] = glyph;
  }
  return font;
}

TGlyphFontRef LoadFontFile(const std::string& source, int32_t size, int32_t style) {
  return TGlyphFont::Open(source, size, style);
}

int32_t TextPixelWidth(const std::u16string& text) {
  const TGlyphFontRef& font = CurrentFont();
  if (!font) return 0;
  int32_t w = 0;
  for (char16_t ch : text) {
    const int32_t index = font->GlyphIndexOf(ch);
    if (index < 0) continue;
    const TImageGlyphRef glyph = font->GlyphAt(index);
    if (!glyph) continue;
    w = static_cast<int32_t>(glyph->advance + static_cast<float>(w));
  }
  return w;
}

int32_t FontLineHeight() {
  const TGlyphFontRef& font = CurrentFont();
  return font ? font->Height() : 0;
}

void InitFonts() {
  static bool done = false;
  if (!FirstInit(done)) return;
  InitRuntime();
  RegisterBuiltInFontData();
  RegisterFontFaceLoader(std::make_shared<TTrueTypeFaceLoader>());
}
