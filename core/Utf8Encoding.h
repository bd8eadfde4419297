#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Appends the UTF-8 bytes of one code point; the caller passes a valid one
// (not a surrogate, at most U+10FFFF).
void AppendUtf8(char32_t code, std::string& out);

// Decodes the character at s, of which length bytes are left: its code point,
// with used set to its byte count. A byte that starts no well-formed
// character (a stray continuation, an overlong form, a surrogate, a code
// beyond U+10FFFF, a sequence cut short) gives -1 with used 1.
std::int32_t DecodeUtf8(const unsigned char* s, std::size_t length, std::size_t& used);
