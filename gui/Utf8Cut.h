// Where to cut a UTF-8 text so that it fits a number of bytes without
// splitting a character, which a font would draw as garbage.
#pragma once

#include <cstddef>

// The number of leading bytes of text (at most maxBytes) to keep. A null text
// keeps nothing.
inline size_t Utf8CutLength(const char* text, size_t maxBytes) {
    if (!text) return 0;
    size_t length = 0;
    while (length < maxBytes && text[length] != '\0')
        ++length;
    if (text[length] == '\0') return length;
    // Cut short: when the first byte left out continues a character, drop
    // that character's bytes already taken, back to its lead byte.
    auto continues = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; };
    if (!continues(text[length])) return length;
    size_t cut = length;
    while (cut > 0 && continues(text[cut - 1]))
        --cut;
    // Stray continuation bytes without a lead byte are dropped alone.
    const bool lead = cut > 0 && static_cast<unsigned char>(text[cut - 1]) >= 0xC0;
    return lead ? cut - 1 : cut;
}
