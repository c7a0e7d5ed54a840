// Font files the tests make or keep: real fonts from the system, the same with an embedded strike
// added, a small bitmap-only font, and a kept font whose glyphs are absurdly large.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "graphics/picture_fixtures.h"
#include "runtime/stream.h"

namespace fixtures {

inline const char* const kSansPath =
    "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";

// 570 bytes that FreeType opens at 32 pixels; the outlines of 'y' and U+007F span 22526 x 27392
// pixels there (617 MB each), every other glyph is empty.
inline std::string GlyphBombPath() {
  return std::string(LETTERFIGHT_FONT_FIXTURES) + "/glyph_bomb.ttf";
}

// An "incbin::" source over the bytes, kept alive for the rest of the process.
inline std::string Embed(const std::string& name, Bytes bytes) {
  static std::vector<std::unique_ptr<Bytes>> kept;
  kept.push_back(std::make_unique<Bytes>(std::move(bytes)));
  RegisterEmbeddedData(name, kept.back()->data(), static_cast<int64_t>(kept.back()->size()));
  return "incbin::" + name;
}

inline uint16_t GetBe16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] << 8 | p[1]);
}
inline void AppendBe16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v >> 8));
  b.push_back(static_cast<uint8_t>(v));
}
inline void AppendBe32(Bytes& b, uint32_t v) {
  AppendBe16(b, v >> 16);
  AppendBe16(b, v & 0xFFFF);
}

// Where the sfnt font's table of that tag starts; 0 when it has none.
inline size_t TableOffset(const Bytes& font, const char* tag) {
  for (uint32_t i = 0; i < GetBe16(&font[4]); ++i) {
    const uint8_t* record = &font[12 + 16 * i];
    if (std::memcmp(record, tag, 4) == 0) return GetBe32(record + 8);
  }
  return 0;
}

// The sfnt font with a table added (or replaced), its directory rebuilt in tag order.
inline Bytes WithTable(const Bytes& font, const std::string& tag, const Bytes& table) {
  std::map<std::string, Bytes> tables;
  for (uint32_t i = 0; i < GetBe16(&font[4]); ++i) {
    const uint8_t* record = &font[12 + 16 * i];
    const uint32_t offset = GetBe32(record + 8), length = GetBe32(record + 12);
    tables[std::string(record, record + 4)] =
        Bytes(font.begin() + offset, font.begin() + offset + length);
  }
  tables[tag] = table;
  const uint32_t n = static_cast<uint32_t>(tables.size());
  uint32_t selector = 0;
  while (2u << selector <= n) ++selector;
  Bytes out(font.begin(), font.begin() + 4);
  for (uint32_t v : {n, 16u << selector, selector, 16 * n - (16u << selector)}) AppendBe16(out, v);
  uint32_t offset = 12 + 16 * n;
  Bytes data;
  for (auto& [name, bytes] : tables) {
    Bytes padded = bytes;
    padded.resize((padded.size() + 3) / 4 * 4, 0);
    uint32_t sum = 0;
    for (size_t i = 0; i < padded.size(); i += 4) sum += GetBe32(&padded[i]);
    out.insert(out.end(), name.begin(), name.end());
    AppendBe32(out, sum);
    AppendBe32(out, offset + static_cast<uint32_t>(data.size()));
    AppendBe32(out, static_cast<uint32_t>(bytes.size()));
    data.insert(data.end(), padded.begin(), padded.end());
  }
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

// An 'sbix' table of one strike at ppem pixels: a PNG picture for each glyph in pictures, none
// for the others (which FreeType then loads as empty glyphs at that size).
inline Bytes SbixTable(uint32_t numGlyphs, uint16_t ppem,
                       const std::map<uint32_t, Bytes>& pictures) {
  Bytes strike;
  AppendBe16(strike, ppem);
  AppendBe16(strike, 72);
  Bytes glyphData;
  const uint32_t first = 4 + 4 * (numGlyphs + 1);
  for (uint32_t g = 0; g <= numGlyphs; ++g) {
    AppendBe32(strike, first + static_cast<uint32_t>(glyphData.size()));
    auto it = pictures.find(g);
    if (g == numGlyphs || it == pictures.end()) continue;
    AppendBe32(glyphData, 0);  // origin
    for (char c : std::string("png ")) glyphData.push_back(static_cast<uint8_t>(c));
    glyphData.insert(glyphData.end(), it->second.begin(), it->second.end());
  }
  strike.insert(strike.end(), glyphData.begin(), glyphData.end());
  Bytes table;
  AppendBe16(table, 1);  // version
  AppendBe16(table, 1);  // flags
  AppendBe32(table, 1);  // strikes
  AppendBe32(table, 12);
  table.insert(table.end(), strike.begin(), strike.end());
  return table;
}

// FreeType's glyph index for each character of the font.
inline std::map<char, uint32_t> GlyphIndices(const Bytes& font, const std::string& characters) {
  std::map<char, uint32_t> indices;
  FT_Library library;
  if (FT_Init_FreeType(&library)) return indices;
  FT_Face face;
  if (!FT_New_Memory_Face(library, font.data(), static_cast<FT_Long>(font.size()), 0, &face)) {
    for (char c : characters) indices[c] = FT_Get_Char_Index(face, static_cast<uint8_t>(c));
    FT_Done_Face(face);
  }
  FT_Done_FreeType(library);
  return indices;
}

// An opaque RGBA picture of w x h for a strike.
inline Bytes StrikePicture(int w, int h) {
  PngPicture p;
  p.width = w;
  p.height = h;
  p.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
  p.sample = [](int x, int y, int c) { return c == 3 ? 255u : uint32_t((x * 9 + y * 5) & 255); };
  return EncodePng(p);
}

// Liberation Sans with a 32-pixel colour strike: 'E' a 24 x 24 picture, 'W' a whole 300 x 24
// one (over 9 ems), and 'L' 64 x 64 pixels whose header claims 30000 x 30000. The other
// characters have no picture.
inline Bytes SansWithStrike(const Bytes& sans) {
  const std::map<char, uint32_t> g = GlyphIndices(sans, "ELW");
  const std::map<uint32_t, Bytes> pictures = {
      {g.at('E'), StrikePicture(24, 24)},
      {g.at('W'), StrikePicture(300, 24)},
      {g.at('L'), WithPngSize(SmallPng(64, 64), 30000, 30000)},
  };
  const uint32_t numGlyphs = GetBe16(&sans[TableOffset(sans, "maxp") + 4]);
  return WithTable(sans, "sbix", SbixTable(numGlyphs, 32, pictures));
}

// A bitmap-only BDF font with a 16-pixel strike: 'A' 8 x 16, 'M' 72 x 16 (4.5 ems) and 'W'
// 200 x 16 (12.5 ems), each a pattern of set and clear pixels.
inline Bytes BitmapOnlyFont() {
  std::string bdf =
      "STARTFONT 2.1\n"
      "FONT -test-bounded-medium-r-normal--16-160-75-75-c-80-iso10646-1\n"
      "SIZE 16 75 75\n"
      "FONTBOUNDINGBOX 200 16 0 -4\n"
      "STARTPROPERTIES 5\n"
      "PIXEL_SIZE 16\n"
      "FONT_ASCENT 12\n"
      "FONT_DESCENT 4\n"
      "CHARSET_REGISTRY \"ISO10646\"\n"
      "CHARSET_ENCODING \"1\"\n"
      "ENDPROPERTIES\n"
      "CHARS 3\n";
  const struct {
    char c;
    int width;
  } glyphs[] = {{'A', 8}, {'M', 72}, {'W', 200}};
  static const char kHex[] = "0123456789ABCDEF";
  for (const auto& glyph : glyphs) {
    bdf += std::string("STARTCHAR ") + glyph.c + "\nENCODING " + std::to_string(int{glyph.c}) +
           "\nSWIDTH 500 0\nDWIDTH " + std::to_string(glyph.width) + " 0\nBBX " +
           std::to_string(glyph.width) + " 16 0 -4\nBITMAP\n";
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < (glyph.width + 7) / 8; ++x) {
        const int v = (x * 37 + y * 11) & 255;
        bdf += kHex[v >> 4];
        bdf += kHex[v & 15];
      }
      bdf += "\n";
    }
    bdf += "ENDCHAR\n";
  }
  bdf += "ENDFONT\n";
  return Bytes(bdf.begin(), bdf.end());
}

}  // namespace fixtures
