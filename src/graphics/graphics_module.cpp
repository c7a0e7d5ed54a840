#include "graphics/graphics_module.h"

#include "graphics/gl_graphics_driver.h"
#include "graphics/gl_render_driver.h"
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
  // The render driver wraps the display driver and is the one current when the game opens
  // its graphics; both make every surface with a back buffer.
  SelectDisplayDriver(GLGraphicsDriver(), GRAPHICS_BACKBUFFER);
  SelectDisplayDriver(GLRenderDriver(), GRAPHICS_BACKBUFFER);
}
