// Conversions between the system's 16-bit strings and the 8-bit strings of paths and C APIs.
#pragma once

#include <cstdint>
#include <string>

// UTF-8 to 16-bit character codes; invalid bytes come through as their own code.
std::u16string ToText(const std::string& utf8);
// 16-bit character codes to UTF-8.
std::string ToUtf8(const std::u16string& text);
// Decimal form of an integer.
std::u16string IntText(int64_t value);
