// Renders the built-in 8 x 16 font from DejaVu Sans Mono and writes it as a C++ source file.
//
// Not part of the build: its output, src/graphics/builtin_font_data.cpp, is checked in. To make
// it again:
//   g++ -O2 -std=c++20 tools/make_builtin_font.cpp $(pkg-config --cflags --libs freetype2) \
//       -o /tmp/make_builtin_font
//   /tmp/make_builtin_font /usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf \
//       > src/graphics/builtin_font_data.cpp
//   /tmp/make_builtin_font --show FONT     (prints the glyphs as text, to look at them)
//
// Layout of the 1536 bytes: 16 pixel rows of 96 bytes; byte c of row r is pixel row r of
// character 32 + c, bit j the pixel in column j (bit 0 leftmost), 1 for ink.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr int kCellWidth = 8;
constexpr int kCellHeight = 16;
constexpr int kCount = 96;
// 13-pixel em: DejaVu Sans Mono advances 8 pixels per character and its ascent is 12, which
// leaves 4 rows below the baseline for descenders.
constexpr int kPixelSize = 13;
constexpr int kBaseline = 12;

bool Render(const char* path, uint8_t data[kCellHeight][kCount]) {
  FT_Library library;
  if (FT_Init_FreeType(&library)) return false;
  FT_Face face;
  if (FT_New_Face(library, path, 0, &face) || FT_Set_Pixel_Sizes(face, 0, kPixelSize)) {
    std::fprintf(stderr, "cannot open %s\n", path);
    return false;
  }
  std::memset(data, 0, kCellHeight * kCount);
  for (int c = 0; c < kCount; ++c) {
    const FT_UInt index = FT_Get_Char_Index(face, 32 + c);
    // Hinted one-bit rendering: the font's own hints keep stems one pixel wide and sharp.
    if (!index || FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO)) continue;
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_MONO) continue;
    // Centre the glyph's ink in the cell horizontally; stand it on the baseline.
    const int left = (kCellWidth - static_cast<int>(bitmap.width)) / 2;
    const int top = kBaseline - slot->bitmap_top;
    for (unsigned y = 0; y < bitmap.rows; ++y) {
      const unsigned char* row = bitmap.buffer + static_cast<long>(y) * bitmap.pitch;
      for (unsigned x = 0; x < bitmap.width; ++x) {
        if (!(row[x >> 3] & (0x80 >> (x & 7)))) continue;
        const int cx = left + static_cast<int>(x), cy = top + static_cast<int>(y);
        if (cx < 0 || cx >= kCellWidth || cy < 0 || cy >= kCellHeight) continue;
        data[cy][c] |= static_cast<uint8_t>(1u << cx);
      }
    }
  }
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  return true;
}

void Show(const uint8_t data[kCellHeight][kCount]) {
  for (int c = 0; c < kCount; ++c) {
    std::printf("'%c'\n", 32 + c);
    for (int r = 0; r < kCellHeight; ++r) {
      std::string line;
      for (int j = 0; j < kCellWidth; ++j) line += (data[r][c] >> j) & 1 ? '#' : '.';
      std::printf("%s\n", line.c_str());
    }
  }
}

void Write(const uint8_t data[kCellHeight][kCount]) {
  std::printf(
      "// The built-in 8 x 16 font: 16 pixel rows of 96 bytes; byte c of row r is pixel row r\n"
      "// of character 32 + c, bit j the pixel in column j (bit 0 leftmost), 1 for ink.\n"
      "//\n"
      "// Rendered by tools/make_builtin_font.cpp from DejaVu Sans Mono (fonts-dejavu-core).\n"
      "// DejaVu fonts are derived from Bitstream Vera: Copyright (c) 2003 by Bitstream, Inc.\n"
      "// All Rights Reserved. Bitstream Vera is a trademark of Bitstream, Inc. DejaVu changes\n"
      "// are in the public domain. The Bitstream Vera licence permits modifying the font\n"
      "// software and distributing it, embedded in other software, as long as this notice is\n"
      "// kept; the full licence is in /usr/share/doc/fonts-dejavu-core/copyright.\n"
      "#include \"graphics/builtin_font_data.h\"\n"
      "\n"
      "const uint8_t BuiltInFontData[BuiltInFontDataSize] = {\n");
  for (int r = 0; r < kCellHeight; ++r) {
    std::printf("    // row %d\n", r);
    for (int c = 0; c < kCount; c += 12) {
      std::printf("   ");
      for (int k = c; k < c + 12; ++k) std::printf(" 0x%02x,", data[r][k]);
      std::printf("\n");
    }
  }
  std::printf("};\n");
}

}  // namespace

int main(int argc, char** argv) {
  const bool show = argc == 3 && std::strcmp(argv[1], "--show") == 0;
  if (argc != 2 && !show) {
    std::fprintf(stderr, "usage: make_builtin_font [--show] font.ttf\n");
    return 2;
  }
  static uint8_t data[kCellHeight][kCount];
  if (!Render(argv[argc - 1], data)) return 1;
  if (show) {
    Show(data);
  } else {
    Write(data);
  }
  return 0;
}
