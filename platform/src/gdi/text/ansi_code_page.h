// The ANSI code page of the platform (Windows-1252): which Unicode character
// each byte of an "A" function's string stands for.
#pragma once

#include <cstdint>

namespace text {

uint32_t AnsiToUnicode(unsigned char c);

}  // namespace text
