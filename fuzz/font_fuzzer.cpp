// Fuzzes LoadFontFile over a "::" memory source: the font is opened at the game's 32 pixels,
// a few strings are measured and drawn into the recording render driver (no display), which
// renders each glyph FreeType gives and makes an image of it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "graphics/draw_graphics.h"
#include "graphics/glyph_font.h"
#include "runtime/stream.h"
#include "support/fake_system_driver.h"
#include "support/recording_render_driver.h"

namespace {

TRecordingRenderDriverRef driver;

const char16_t* const kTexts[] = {
    u"LETTER FIGHT",
    u"Score: 1234567890",
    u"abcdefghijklmnopqrstuvwxyz !?.,;:-+*/()[]{}",
    // Latin-1, beyond the Basic Multilingual Plane's common blocks, a surrogate pair, a
    // private-use character and a control character.
    u"\u00c4\u00d6\u00dc\u00df\u00e9 \u20ac\u2603\U0001F600\uE000\x01",
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  InstallFakeSystemDriver();
  driver = OpenRecordingGraphics();
  return driver ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  RegisterEmbeddedData("fuzz.ttf", data, static_cast<int64_t>(size));
  TGlyphFontRef font = LoadFontFile("incbin::fuzz.ttf", 32, FontStyleSmooth);
  if (font) {
    UseFont(font);
    int32_t width = FontLineHeight();
    for (const char16_t* text : kTexts) {
      width += TextPixelWidth(text);
      DrawTextAt(text, 10, 20);
    }
    volatile int32_t sink = width;
    (void)sink;
    UseFont(nullptr);
  }
  driver->ClearCalls();
  return 0;
}
