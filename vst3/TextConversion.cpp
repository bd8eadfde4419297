#include "TextConversion.h"

#include "Utf8Encoding.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence starting at text[i]; advances i.
char32_t DecodeUtf8(const unsigned char* text, size_t& i) {
    const unsigned char lead = text[i++];
    if (lead < 0x80) return lead;
    int extra;
    char32_t code;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        code = lead & 0x07;
    } else {
        return kReplacement;
    }
    for (int k = 0; k < extra; ++k) {
        if ((text[i] & 0xC0) != 0x80) return kReplacement; // also stops at the terminator
        code = (code << 6) | (text[i++] & 0x3F);
    }
    return code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) ? kReplacement : code;
}

} // namespace

void Utf8ToUtf16(const char* text, Steinberg::char16* out, size_t outCount) {
    if (!out || outCount == 0) return;
    size_t written = 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text ? text : "");
    for (size_t i = 0; bytes[i] != 0;) {
        const char32_t code = DecodeUtf8(bytes, i);
        const size_t units = code >= 0x10000 ? 2 : 1;
        if (written + units >= outCount) break;
        if (units == 2) {
            out[written++] = static_cast<Steinberg::char16>(0xD800 + ((code - 0x10000) >> 10));
            out[written++] = static_cast<Steinberg::char16>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            out[written++] = static_cast<Steinberg::char16>(code);
        }
    }
    out[written] = 0;
}

std::string Utf16ToUtf8(const Steinberg::char16* text, size_t maxCount) {
    std::string out;
    if (!text) return out;
    for (size_t i = 0; i < maxCount && text[i] != 0; ++i) {
        char32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < maxCount && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = kReplacement;
        }
        AppendUtf8(code, out);
    }
    return out;
}
