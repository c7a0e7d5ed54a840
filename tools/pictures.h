// The game's pictures: the two backgrounds and the application icon, painted in code.
#pragma once

#include "graphics/pixmap.h"
#include "painter.h"

// The title screen, 1024 x 768: a night sky over hills and a glowing grid, the game's name
// at the top, and a dim glass panel where the menu entries are drawn.
TPixmapRef PaintMenuBackground(TFontFace& font);
// The round, 1024 x 768: a pale morning sky with faint clouds and hazy hills, light enough
// everywhere for black letters and the dark red score line.
TPixmapRef PaintRoundBackground();
// The icon at size x size (RGBA): a black capital L flying left over a light rounded tile.
TPixmapRef PaintIcon(TFontFace& font, int size);
