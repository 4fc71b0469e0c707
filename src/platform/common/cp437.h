// Code page 437 bytes as Unicode, for backends that show the game's single-byte glyphs on Unicode screens.
#pragma once

#include <cstdint>
#include <string>

// The Unicode code point of each code page 437 byte. Byte 0 maps to a blank.
extern const char32_t CP437_TO_UNICODE[256];

// The code page 437 byte showing a Unicode character; '?' where the code page has none.
char Cp437FromUnicode(char32_t unicode);

// Appends the UTF-8 form of a code page 437 byte to out.
void AppendCp437AsUtf8(std::string& out, uint8_t byte);
