#include "graphics/graphics_module.h"

#include "graphics/glyph_font.h"
#include "graphics/graphics.h"
#include "graphics/pixmap_decoder.h"
#include "runtime/module_init.h"
#include "system/system_module.h"

void InitGraphics() {
  static bool done = false;
  if (!FirstInit(done)) return;
  InitSystem();
  InitPixmaps();
  InitFonts();
  FlipHookId();
}
