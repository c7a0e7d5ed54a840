// Font faces over FreeType: opening at a pixel size, and glyphs rendered to A8 pixmaps.
#include "graphics/truetype_face.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BITMAP_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cstring>

#include "runtime/stream.h"

namespace {

// The address of pixel row y (top row 0) of a FreeType bitmap. A negative pitch means the rows
// are stored bottom-up: the top row is then the last one in memory.
const uint8_t* BitmapRow(const FT_Bitmap& bitmap, uint32_t y) {
  const uint8_t* base = bitmap.buffer;
  const int64_t pitch = bitmap.pitch;
  if (pitch < 0) base += -pitch * (static_cast<int64_t>(bitmap.rows) - 1);
  return base + pitch * static_cast<int64_t>(y);
}

// An A8 pixmap from an 8-bit bitmap whose values run from 0 to levels - 1.
TPixmapRef FromGrey(const FT_Bitmap& bitmap, int32_t levels) {
  const int32_t w = static_cast<int32_t>(bitmap.width), h = static_cast<int32_t>(bitmap.rows);
  TPixmapRef p = NewPixmap(w, h, PF_A8, 4);
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* src = BitmapRow(bitmap, y);
    uint8_t* dst = p->PixelAddress(0, y);
    if (levels == 256) {
      std::memcpy(dst, src, static_cast<size_t>(w));
    } else {
      for (int32_t x = 0; x < w; ++x) {
        const int32_t v = src[x] < levels ? src[x] : levels - 1;
        dst[x] = static_cast<uint8_t>(v * 255 / (levels - 1));
      }
    }
  }
  return p;
}

// An A8 pixmap from a one-bit bitmap, most significant bit first.
TPixmapRef FromMono(const FT_Bitmap& bitmap) {
  const int32_t w = static_cast<int32_t>(bitmap.width), h = static_cast<int32_t>(bitmap.rows);
  TPixmapRef p = NewPixmap(w, h, PF_A8, 4);
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* src = BitmapRow(bitmap, y);
    uint8_t* dst = p->PixelAddress(0, y);
    for (int32_t x = 0; x < w; ++x) dst[x] = (src[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0;
  }
  return p;
}

uint32_t Be32(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint32_t>(b[at]) << 24 | static_cast<uint32_t>(b[at + 1]) << 16 |
         static_cast<uint32_t>(b[at + 2]) << 8 | b[at + 3];
}

// FreeType opens an sfnt font (TrueType, OpenType) that was cut short, as long as its first
// tables are whole, and then reads the missing glyphs as empty ones. So the table directory of
// face 0 is checked here: every table must lie inside the file. Other formats are left to
// FreeType.
bool TablesFit(const std::vector<uint8_t>& b) {
  const uint64_t size = b.size();
  if (size < 12) return true;
  uint64_t base = 0;
  if (Be32(b, 0) == 0x74746366u) {  // 'ttcf': a collection; face 0's offset follows
    if (size < 16) return false;
    base = Be32(b, 12);
    if (base + 12 > size) return false;
  }
  const uint32_t version = Be32(b, base);
  const bool sfnt = version == 0x00010000u || version == 0x74727565u ||  // 'true'
                    version == 0x4F54544Fu;                              // 'OTTO'
  if (!sfnt) return true;
  const uint64_t tables = static_cast<uint64_t>(b[base + 4]) << 8 | b[base + 5];
  if (base + 12 + 16 * tables > size) return false;
  for (uint64_t i = 0; i < tables; ++i) {
    const size_t record = static_cast<size_t>(base + 12 + 16 * i);
    if (static_cast<uint64_t>(Be32(b, record + 8)) + Be32(b, record + 12) > size) return false;
  }
  return true;
}

// The largest glyph bitmap drawn, in ems (the face's pixel size) on either side. A font's own
// numbers set how much FreeType allocates and fills for a glyph: a 570-byte font whose outlines
// span 22526 x 27392 pixels at 32 pixels made it fill 617 MB for each of them, and a picture in
// an embedded strike whose header claims 30000 x 30000 made it allocate 3.4 GB before finding the
// picture's data missing. Real glyphs stay far inside: the widest in the Liberation and DejaVu
// fonts is DejaVu's display-size quadruple integral at 2.1 ems, the tallest are the delimiter
// variants of DejaVu Math TeX Gyre at 4.3 ems. 8 ems leaves them twice that room and still
// holds a glyph's coverage to about (8 x size)^2 bytes, 65 KB at the game's 32 pixels. The
// bound follows the size: a caller who asks for larger text asks for larger glyphs.
constexpr int64_t kMaxGlyphEms = 8;
// Outlines are rounded out to whole pixels on both sides, which at the smallest sizes is a good
// part of a glyph.
constexpr int64_t kRoundingSlack = 2;

// Whether a bitmap of w x h pixels is within the bound for the face's current size.
bool GlyphFits(FT_Face face, int64_t w, int64_t h) {
  const FT_Size_Metrics& m = face->size->metrics;
  const int64_t side = kMaxGlyphEms * std::max<int64_t>(m.x_ppem, m.y_ppem) + kRoundingSlack;
  return w >= 0 && h >= 0 && w <= side && h <= side;
}

// The whole pixels from lo to hi (26.6 fixed point), the box rounded out to the pixel grid as the
// renderer does; shifted before rounding so that no coordinate can overflow.
int64_t PixelSpan(FT_Pos lo, FT_Pos hi) {
  return (hi >> 6) + ((hi & 63) != 0) - (lo >> 6);
}

// Loads glyph g into the face's slot as a rendered bitmap, measuring it first: a bitmap glyph (an
// embedded strike, a bitmap-only font) by the size it declares, read without its pixels, and an
// outline by its control box before it is rendered. A glyph outside the bound is not loaded.
bool LoadBoundedGlyph(FT_Face face, FT_UInt g) {
  const FT_GlyphSlot slot = face->glyph;
  if (FT_Load_Glyph(face, g, FT_LOAD_DEFAULT | FT_LOAD_BITMAP_METRICS_ONLY)) return false;
  if (slot->format == FT_GLYPH_FORMAT_BITMAP) {
    if (!GlyphFits(face, slot->bitmap.width, slot->bitmap.rows)) return false;
    if (FT_Load_Glyph(face, g, FT_LOAD_DEFAULT)) return false;
  }
  // Measured again whatever the second load gave: nothing promises it is the kind of glyph the
  // first one measured.
  switch (slot->format) {
    case FT_GLYPH_FORMAT_BITMAP:
      return GlyphFits(face, slot->bitmap.width, slot->bitmap.rows);
    case FT_GLYPH_FORMAT_OUTLINE: {
      FT_BBox box;
      FT_Outline_Get_CBox(&slot->outline, &box);
      return GlyphFits(face, PixelSpan(box.xMin, box.xMax), PixelSpan(box.yMin, box.yMax)) &&
             FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) == 0;
    }
    default:
      // Other kinds cannot be measured here; FreeType gives them only for load flags not used
      // here (colour with SVG hooks, unrecursed composites).
      return false;
  }
}

}  // namespace

// Chosen by the bitmap's pixel mode: the grey level count alone does not tell how a bitmap is
// packed (embedded 2- and 4-bit strikes have few levels and several pixels per byte).
TPixmapRef FreeTypeBitmapToPixmap(FT_Library library, const FT_Bitmap& bitmap) {
  if (bitmap.width == 0 || bitmap.rows == 0 || !bitmap.buffer) return nullptr;
  if (!PixmapFits(bitmap.width, bitmap.rows, PF_A8)) return nullptr;
  switch (bitmap.pixel_mode) {
    case FT_PIXEL_MODE_GRAY:
      return FromGrey(bitmap,
                      bitmap.num_grays > 1 && bitmap.num_grays <= 256 ? bitmap.num_grays : 256);
    case FT_PIXEL_MODE_MONO:
      return FromMono(bitmap);
    case FT_PIXEL_MODE_GRAY2:
    case FT_PIXEL_MODE_GRAY4:
    case FT_PIXEL_MODE_BGRA: {
      FT_Bitmap converted;
      FT_Bitmap_Init(&converted);
      TPixmapRef p;
      if (FT_Bitmap_Convert(library, &bitmap, &converted, 1) == 0 &&
          converted.pixel_mode == FT_PIXEL_MODE_GRAY && converted.width == bitmap.width &&
          converted.rows == bitmap.rows && converted.num_grays > 1) {
        p = FromGrey(converted, converted.num_grays <= 256 ? converted.num_grays : 256);
      }
      FT_Bitmap_Done(library, &converted);
      return p;
    }
    default:
      // Sub-pixel bitmaps are three samples per pixel: not coverage this font can use.
      return nullptr;
  }
}

void TFreeTypeGlyph::GetBounds(int32_t& x, int32_t& y, int32_t& w, int32_t& h) {
  x = offsetX;
  y = offsetY;
  w = width;
  h = height;
}

TTrueTypeFace::~TTrueTypeFace() {
  if (ftFace) FT_Done_Face(ftFace);
  if (library) FT_Done_FreeType(library);
}

int32_t TTrueTypeFace::GlyphIndexOf(int32_t character) {
  if (character < 0) return -1;
  return static_cast<int32_t>(FT_Get_Char_Index(ftFace, static_cast<FT_ULong>(character))) - 1;
}

TFaceGlyphRef TTrueTypeFace::GlyphAt(int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(glyphs.size())) return nullptr;
  if (glyphs[index]) return glyphs[index];
  auto glyph = std::make_shared<TFreeTypeGlyph>();
  glyphs[index] = glyph;
  if (!LoadBoundedGlyph(ftFace, static_cast<FT_UInt>(index) + 1)) return glyph;
  const FT_GlyphSlot slot = ftFace->glyph;
  const FT_Bitmap& bitmap = slot->bitmap;
  glyph->offsetX = slot->bitmap_left;
  glyph->offsetY = ascent - slot->bitmap_top;
  glyph->width = static_cast<int32_t>(bitmap.width);
  glyph->height = static_cast<int32_t>(bitmap.rows);
  glyph->advance = static_cast<float>(slot->advance.x >> 6);
  // A space has no bitmap; neither has a glyph with a width but no rows.
  glyph->pixmap = FreeTypeBitmapToPixmap(library, bitmap);
  return glyph;
}

std::shared_ptr<TTrueTypeFace> TTrueTypeFace::Open(const std::string& source, int32_t size,
                                                   int32_t style) {
  // Counting down from a negative size would run through four billion sizes.
  if (size <= 0) return nullptr;
  auto face = std::make_shared<TTrueTypeFace>();
  if (FT_Init_FreeType(&face->library)) {
    face->library = nullptr;
    return nullptr;
  }
  // File paths and "protocol::path" sources alike come through the stream layer.
  face->memoryBuffer = LoadBytes(source);
  if (face->memoryBuffer.empty() || !TablesFit(face->memoryBuffer)) return nullptr;
  if (FT_New_Memory_Face(face->library, face->memoryBuffer.data(),
                         static_cast<FT_Long>(face->memoryBuffer.size()), 0, &face->ftFace)) {
    face->ftFace = nullptr;
    return nullptr;
  }
  // A size the face refuses (a bitmap font without that strike) falls to the largest smaller
  // size it accepts.
  int32_t s = size;
  while (s > 0 && FT_Set_Pixel_Sizes(face->ftFace, 0, static_cast<FT_UInt>(s))) --s;
  if (s == 0) return nullptr;
  const FT_Size_Metrics& metrics = face->ftFace->size->metrics;
  face->lineHeight = static_cast<int32_t>(metrics.height >> 6);
  face->ascent = static_cast<int32_t>(metrics.ascender >> 6);
  face->descent = static_cast<int32_t>(metrics.descender >> 6);
  face->style = style;
  face->glyphs.resize(face->ftFace->num_glyphs > 0 ? face->ftFace->num_glyphs : 0);
  return face;
}

TFontFaceRef TTrueTypeFaceLoader::OpenFace(const std::string& source, int32_t size, int32_t style) {
  if (source.empty()) return nullptr;
  return TTrueTypeFace::Open(source, size, style);
}
