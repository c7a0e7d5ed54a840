// Start-up of the graphics module.
#pragma once

void InitGraphics();
