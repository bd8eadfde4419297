#pragma once

#include <string>

// Appends the UTF-8 bytes of one code point; the caller passes a valid one
// (not a surrogate, at most U+10FFFF).
void AppendUtf8(char32_t code, std::string& out);
