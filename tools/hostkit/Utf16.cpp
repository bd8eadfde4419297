#include "Utf16.h"

#include <algorithm>

namespace tonewell::hostkit {

std::u16string ToUtf16(const std::string& text) {
    std::u16string out;
    for (size_t i = 0; i < text.size();) {
        auto byte = static_cast<unsigned char>(text[i]);
        char32_t cp = 0;
        size_t length = 1;
        if (byte < 0x80) {
            cp = byte;
        } else if ((byte & 0xE0) == 0xC0) {
            cp = byte & 0x1F;
            length = 2;
        } else if ((byte & 0xF0) == 0xE0) {
            cp = byte & 0x0F;
            length = 3;
        } else if ((byte & 0xF8) == 0xF0) {
            cp = byte & 0x07;
            length = 4;
        } else {
            cp = 0xFFFD; // stray continuation byte
        }
        if (i + length > text.size()) {
            cp = 0xFFFD;
            length = text.size() - i;
        } else {
            for (size_t k = 1; k < length; ++k)
                cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        i += length;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

std::string ToUtf8(const Steinberg::char16* text, size_t maxLength) {
    std::string out;
    if (!text) return out;
    for (size_t i = 0; i < maxLength && text[i] != 0; ++i) {
        char32_t cp = static_cast<char16_t>(text[i]);
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < maxLength) {
            char32_t low = static_cast<char16_t>(text[i + 1]);
            if (low >= 0xDC00 && low < 0xE000) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

void CopyToField(const std::string& text, Steinberg::char16* field, size_t fieldLength) {
    if (!field || fieldLength == 0) return;
    std::u16string wide = ToUtf16(text);
    size_t n = std::min(wide.size(), fieldLength - 1);
    for (size_t i = 0; i < n; ++i)
        field[i] = static_cast<Steinberg::char16>(wide[i]);
    field[n] = 0;
}

} // namespace tonewell::hostkit
