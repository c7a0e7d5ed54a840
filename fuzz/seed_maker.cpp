// Writes the fuzz targets' seed corpora: small valid files of every kind each target reads,
// made by the tests' own fixture generators, and a tiny TrueType font built here.
//   fuzz_seed_maker <corpus directory>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/sound_fixtures.h"
#include "graphics/picture_fixtures.h"

namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

fs::path root;

// Names keep no spaces, for the shell's sake.
void Write(const std::string& target, std::string name, const Bytes& bytes) {
  for (char& c : name) c = c == ' ' ? '-' : c;
  const fs::path dir = root / target;
  fs::create_directories(dir);
  std::FILE* f = std::fopen((dir / name).c_str(), "wb");
  if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
    std::fprintf(stderr, "cannot write %s\n", (dir / name).c_str());
    std::exit(1);
  }
  std::fclose(f);
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// ---- pictures

void Pictures() {
  using namespace fixtures;
  Write("pixmap", "rgb.png", SmallPng(8, 8));
  {
    PngPicture p;
    p.width = 5;
    p.height = 3;
    p.colorType = PNG_COLOR_TYPE_PALETTE;
    p.bitDepth = 4;
    p.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    p.paletteAlpha = {255, 128, 0};
    p.sample = [](int x, int y, int) { return static_cast<uint32_t>((x + y) % 3); };
    Write("pixmap", "palette 4-bit with alpha.png", EncodePng(p));
  }
  {
    PngPicture p;
    p.width = 9;
    p.height = 9;
    p.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
    p.bitDepth = 16;
    p.interlaced = true;
    p.sample = [](int x, int y, int c) { return static_cast<uint32_t>(c ? 40000 : x * 7000 + y); };
    Write("pixmap", "grey alpha 16-bit interlaced.png", EncodePng(p));
  }
  {
    PngPicture p;
    p.width = 3;
    p.height = 2;
    p.colorType = PNG_COLOR_TYPE_GRAY;
    p.bitDepth = 1;
    p.hasTransparentColor = true;
    p.transparentColor.gray = 1;
    p.sample = [](int x, int y, int) { return static_cast<uint32_t>((x ^ y) & 1); };
    Write("pixmap", "grey 1-bit with key.png", EncodePng(p));
  }
  Write("pixmap", "rgb.jpg", EncodeJpeg(8, 8, 3, SmoothSamples(8, 8, 3)));
  Write("pixmap", "grey progressive.jpg", EncodeJpeg(16, 8, 1, SmoothSamples(16, 8, 1), true));
  Write("pixmap", "cmyk.jpg", EncodeJpeg(8, 8, 4, SmoothSamples(8, 8, 4)));
  Write("pixmap", "24-bit.tga",
        Cat({TgaHeader(2, 2, 2, 24, 0), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}}));
  Write("pixmap", "16-bit top down.tga",
        Cat({TgaHeader(2, 4, 1, 16, 0x20), {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0x10, 0x42}}));
  Write("pixmap", "colour mapped.tga",
        Cat({TgaHeader(1, 3, 1, 8, 0x20, 1, 2, 24), {10, 20, 30, 40, 50, 60}, {1, 0, 1}}));
  Write("pixmap", "run-length 32-bit.tga",
        Cat({TgaHeader(10, 3, 2, 32, 0x28),
             {0x82, 1, 2, 3, 4},
             {0x02, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}}));
  Write("pixmap", "grey run-length.tga", Cat({TgaHeader(11, 4, 1, 8, 0), {0x81, 7, 0x01, 8, 9}}));
  Write(
      "pixmap", "24-bit.bmp",
      Bmp(3, 2, 24, {{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0}, {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 0, 0}}));
  const Bytes palette = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0};
  Write("pixmap", "8-bit top down.bmp", Bmp(3, -2, 8, {{2, 0, 1, 0}, {1, 1, 0, 0}}, palette));
  Write("pixmap", "4-bit.bmp", Bmp(3, 1, 4, {{0x21, 0x00, 0, 0}}, palette));
  Write("pixmap", "1-bit.bmp",
        Bmp(10, 1, 1, {{0xA0, 0x40, 0, 0}}, Bytes(palette.begin(), palette.begin() + 8)));
  Bytes masks;
  PutLe32(masks, 0xF800);
  PutLe32(masks, 0x07E0);
  PutLe32(masks, 0x001F);
  Write("pixmap", "bit fields 16-bit.bmp", Bmp(1, 1, 16, {{0xE0, 0x07, 0, 0}}, masks, 3));
  Write("pixmap", "32-bit.bmp", Bmp(2, 1, 32, {{1, 2, 3, 4, 5, 6, 7, 0}}));
  Write("pixmap", "run-length 8-bit.bmp",
        Bmp(4, 2, 8, {{3, 1, 0, 0}, {0, 3, 2, 0, 1, 0, 0, 0, 0, 1}}, palette, 1));
}

// ---- sounds

void Sounds() {
  using namespace sound_fixtures;
  Write("sample", "mono 22050.ogg", MakeOgg(1, 22050, 3000));
  Write("sample", "stereo 44100.ogg", MakeOgg(2, 44100, 2000));
  Bytes mono16;
  for (int i = 0; i < 64; ++i) Put16(mono16, static_cast<uint32_t>(i * 977));
  Write("sample", "mono 16-bit.wav", MakeWav({.data = mono16}));
  Bytes stereo8(64);
  for (size_t i = 0; i < stereo8.size(); ++i) stereo8[i] = static_cast<uint8_t>(128 + i * 3);
  Write("sample", "stereo 8-bit with a list chunk.wav",
        MakeWav({.fmtSize = 18,
                 .channels = 2,
                 .hz = 11025,
                 .bits = 8,
                 .before = Chunk("LIST", 6),
                 .data = stereo8}));
}

// ---- a TrueType font of four glyphs: .notdef, A (a triangle), B (a square with a hole, and a
// little hinting code), C (A again, moved, as a composite)

void PutBe16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v >> 8));
  b.push_back(static_cast<uint8_t>(v));
}
void PutBe32(Bytes& b, uint32_t v) {
  PutBe16(b, v >> 16);
  PutBe16(b, v & 0xFFFF);
}

struct Contour {
  std::vector<std::pair<int, int>> points;  // all on the curve
};

Bytes SimpleGlyph(const std::vector<Contour>& contours, const Bytes& instructions) {
  int xMin = 1 << 30, yMin = 1 << 30, xMax = -(1 << 30), yMax = -(1 << 30);
  for (const Contour& c : contours) {
    for (auto [x, y] : c.points) {
      xMin = std::min(xMin, x), yMin = std::min(yMin, y);
      xMax = std::max(xMax, x), yMax = std::max(yMax, y);
    }
  }
  Bytes g;
  PutBe16(g, static_cast<uint32_t>(contours.size()));
  for (int v : {xMin, yMin, xMax, yMax}) PutBe16(g, static_cast<uint16_t>(v));
  int end = -1;
  for (const Contour& c : contours) PutBe16(g, static_cast<uint32_t>(end += c.points.size()));
  PutBe16(g, static_cast<uint32_t>(instructions.size()));
  g.insert(g.end(), instructions.begin(), instructions.end());
  for (const Contour& c : contours) g.insert(g.end(), c.points.size(), 0x01);  // on curve, words
  int last = 0;
  for (const Contour& c : contours) {
    for (auto [x, y] : c.points) PutBe16(g, static_cast<uint16_t>(x - last)), last = x;
  }
  last = 0;
  for (const Contour& c : contours) {
    for (auto [x, y] : c.points) PutBe16(g, static_cast<uint16_t>(y - last)), last = y;
  }
  return g;
}

Bytes TinyFont() {
  std::vector<Bytes> glyphs;
  glyphs.push_back({});
  glyphs.push_back(SimpleGlyph({{{{50, 0}, {300, 700}, {550, 0}}}}, {}));
  // PUSHB[1] 0, POP: enough for the interpreter to run.
  glyphs.push_back(SimpleGlyph({{{{50, 0}, {50, 700}, {550, 700}, {550, 0}}},
                                {{{150, 100}, {450, 100}, {450, 600}, {150, 600}}}},
                               {0xB0, 0x00, 0x21}));
  Bytes composite;
  PutBe16(composite, 0xFFFF);  // -1 contours
  for (int v : {150, 0, 650, 700}) PutBe16(composite, static_cast<uint16_t>(v));
  PutBe16(composite, 0x0003);  // ARG_1_AND_2_ARE_WORDS | ARGS_ARE_XY_VALUES
  PutBe16(composite, 1);
  PutBe16(composite, 100);
  PutBe16(composite, 0);
  glyphs.push_back(composite);

  Bytes glyf, loca;
  for (Bytes& g : glyphs) {
    if (g.size() % 2) g.push_back(0);
    PutBe16(loca, static_cast<uint32_t>(glyf.size() / 2));
    glyf.insert(glyf.end(), g.begin(), g.end());
  }
  PutBe16(loca, static_cast<uint32_t>(glyf.size() / 2));
  const uint32_t numGlyphs = static_cast<uint32_t>(glyphs.size());

  Bytes head;
  PutBe32(head, 0x00010000);
  PutBe32(head, 0x00010000);
  PutBe32(head, 0);  // checksum adjustment
  PutBe32(head, 0x5F0F3CF5);
  PutBe16(head, 0x000B);
  PutBe16(head, 1000);               // units per em
  head.resize(head.size() + 16, 0);  // created, modified
  for (int v : {0, 0, 650, 700}) PutBe16(head, static_cast<uint16_t>(v));
  PutBe16(head, 0);  // mac style
  PutBe16(head, 8);  // smallest readable size
  PutBe16(head, 2);
  PutBe16(head, 0);  // short loca
  PutBe16(head, 0);

  Bytes hhea;
  PutBe32(hhea, 0x00010000);
  PutBe16(hhea, 800);
  PutBe16(hhea, static_cast<uint16_t>(-200));
  PutBe16(hhea, 0);
  PutBe16(hhea, 600);  // advance width max
  PutBe16(hhea, 0);
  PutBe16(hhea, 0);
  PutBe16(hhea, 650);
  PutBe16(hhea, 1);  // caret slope rise
  hhea.resize(hhea.size() + 2 + 2 + 8 + 2, 0);
  PutBe16(hhea, numGlyphs);

  Bytes maxp;
  PutBe32(maxp, 0x00010000);
  PutBe16(maxp, numGlyphs);
  for (int v : {8, 2, 3, 1, 2, 0, 0, 0, 0, 16, 8, 1, 1}) PutBe16(maxp, static_cast<uint32_t>(v));

  Bytes hmtx;
  for (uint32_t i = 0; i < numGlyphs; ++i) PutBe16(hmtx, 600), PutBe16(hmtx, 50);

  // Format 4: 'A' to 'C' are glyphs 1 to 3, and the closing segment.
  Bytes cmap;
  PutBe16(cmap, 0);
  PutBe16(cmap, 1);
  PutBe16(cmap, 3);
  PutBe16(cmap, 1);
  PutBe32(cmap, 12);
  PutBe16(cmap, 4);
  PutBe16(cmap, 16 + 2 * 4 * 2);
  PutBe16(cmap, 0);
  for (int v : {4, 4, 1, 0}) PutBe16(cmap, static_cast<uint32_t>(v));  // segCountX2 and search
  for (int v : {int{'C'}, 0xFFFF}) PutBe16(cmap, static_cast<uint32_t>(v));
  PutBe16(cmap, 0);
  for (int v : {int{'A'}, 0xFFFF}) PutBe16(cmap, static_cast<uint32_t>(v));
  for (int v : {1 - 'A', 1}) PutBe16(cmap, static_cast<uint16_t>(v));
  for (int v : {0, 0}) PutBe16(cmap, static_cast<uint32_t>(v));

  const std::vector<std::pair<const char*, Bytes*>> tables = {
      {"cmap", &cmap}, {"glyf", &glyf}, {"head", &head}, {"hhea", &hhea},
      {"hmtx", &hmtx}, {"loca", &loca}, {"maxp", &maxp}};
  Bytes font;
  PutBe32(font, 0x00010000);
  PutBe16(font, static_cast<uint32_t>(tables.size()));
  for (int v : {64, 2, 48}) PutBe16(font, static_cast<uint32_t>(v));
  uint32_t offset = 12 + 16 * static_cast<uint32_t>(tables.size());
  for (auto& [tag, table] : tables) {
    while (table->size() % 4) table->push_back(0);
  }
  for (auto& [tag, table] : tables) {
    uint32_t sum = 0;
    for (size_t i = 0; i < table->size(); i += 4) sum += fixtures::GetBe32(&(*table)[i]);
    font.insert(font.end(), tag, tag + 4);
    PutBe32(font, sum);
    PutBe32(font, offset);
    PutBe32(font, static_cast<uint32_t>(table->size()));
    offset += static_cast<uint32_t>(table->size());
  }
  for (auto& [tag, table] : tables) font.insert(font.end(), table->begin(), table->end());
  return font;
}

void Fonts() {
  Write("font", "tiny.ttf", TinyFont());
}

// ---- window messages, as the input target reads them: 24-byte records

struct Record {
  uint8_t control = 0;  // kind, repeat, extended, route
  uint8_t window = 1;
  int16_t key = 0, scanCode = 0;
  uint8_t modifiers = 0;
  int32_t character = 0;
  uint8_t active = 0;
  int8_t button = 0;
  int16_t wheel = 0, x = 0, y = 0, clientWidth = 0;
  uint8_t clientHeightBy8 = 0;
  uint8_t query = 255;
};

Bytes Encode(const std::vector<Record>& records) {
  using fixtures::PutLe16;
  using fixtures::PutLe32;
  Bytes b;
  for (const Record& r : records) {
    b.push_back(r.control);
    b.push_back(r.window);
    PutLe16(b, static_cast<uint16_t>(r.key));
    PutLe16(b, static_cast<uint16_t>(r.scanCode));
    b.push_back(r.modifiers);
    PutLe32(b, static_cast<uint32_t>(r.character));
    b.push_back(r.active);
    b.push_back(static_cast<uint8_t>(r.button));
    PutLe16(b, static_cast<uint16_t>(r.wheel));
    PutLe16(b, static_cast<uint16_t>(r.x));
    PutLe16(b, static_cast<uint16_t>(r.y));
    PutLe16(b, static_cast<uint16_t>(r.clientWidth));
    b.push_back(r.clientHeightBy8);
    b.push_back(r.query);
    b.push_back(0);
  }
  return b;
}

void Messages() {
  // Kinds: 1 close, 2 activate, 3 key down, 4 key up, 5 character, 6 move, 7 button down,
  // 8 button up, 9 wheel, 10 pointer left. Queries: 0 key hits, 2 typed character, 3 button
  // hits, 5 pointer, 6 flags, 7 next event.
  std::vector<Record> typing;
  for (char c : std::string("HELLO")) {
    typing.push_back({.control = 3, .key = c, .scanCode = 0x23});
    typing.push_back({.control = 5, .character = c + 32, .query = 2});
    typing.push_back({.control = 4, .key = c, .scanCode = 0x23, .query = 0});
  }
  typing.push_back({.control = 3 | 16, .key = 'O', .query = 7});  // a repeat
  Write("input", "typing", Encode(typing));

  Write("input", "modifiers",
        Encode({{.control = 3, .key = 16, .scanCode = 0x2A, .modifiers = 1},
                {.control = 3, .key = 17, .scanCode = 0x1D, .modifiers = 3},
                {.control = 3 | 32, .key = 18, .scanCode = 0x38, .modifiers = 7},
                {.control = 3, .key = 27, .modifiers = 7, .query = 7},
                {.control = 4, .key = 16, .scanCode = 0x36, .modifiers = 6, .query = 7}}));

  Write("input", "pointer",
        Encode({{.control = 6, .x = 10, .y = 20, .clientWidth = 640, .clientHeightBy8 = 60},
                {.control = 7, .button = 1, .x = 10, .y = 20, .query = 3},
                {.control = 8, .button = 1, .x = 11, .y = 21},
                {.control = 9, .wheel = -240, .query = 5},
                {.control = 6,
                 .window = 2,
                 .x = 5,
                 .y = 5,
                 .clientWidth = 100,
                 .clientHeightBy8 = 10,
                 .query = 7},
                {.control = 10, .window = 2, .x = 5, .y = 5, .query = 7}}));

  Write("input", "activation and close",
        Encode({{.control = 3, .key = 'A'},
                {.control = 2, .active = 0, .query = 6},
                {.control = 2, .active = 1, .query = 6},
                {.control = 1 | 64},  // queued on the driver
                {.control = 5 | 128, .window = 3, .character = 'x', .query = 6}}));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seed_maker <corpus directory>\n");
    return 2;
  }
  root = argv[1];
  Pictures();
  Sounds();
  Fonts();
  Messages();
  return 0;
}
