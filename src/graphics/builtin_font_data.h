// The bytes of the built-in 8 x 16 font, embedded in the program.
#pragma once

#include <cstdint>

constexpr int BuiltInFontDataSize = 1536;
extern const uint8_t BuiltInFontData[BuiltInFontDataSize];
