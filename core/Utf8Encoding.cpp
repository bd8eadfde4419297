#include "Utf8Encoding.h"

void AppendUtf8(char32_t code, std::string& out) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

std::int32_t DecodeUtf8(const unsigned char* s, std::size_t length, std::size_t& used) {
    used = 1;
    if (!s || length == 0) return -1;
    const unsigned char lead = s[0];
    if (lead < 0x80) return lead;
    std::size_t extra = 0;
    std::int32_t code = 0;
    // The second byte's range rules out overlong forms, surrogates and codes
    // beyond U+10FFFF.
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2;
        code = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3;
        code = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return -1;
    }
    if (length <= extra || s[1] < low || s[1] > high) return -1;
    for (std::size_t i = 1; i <= extra; ++i) {
        if ((s[i] & 0xC0) != 0x80) return -1;
        code = (code << 6) | (s[i] & 0x3F);
    }
    used = extra + 1;
    return code;
}
