#include "TextConversion.h"

#include <string>

#include "Utf8Encoding.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

} // namespace

void Utf8ToUtf16(const char* text, Steinberg::char16* out, size_t outCount) {
    if (!out || outCount == 0) return;
    size_t written = 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text ? text : "");
    const size_t length = std::char_traits<char>::length(reinterpret_cast<const char*>(bytes));
    for (size_t i = 0; i < length;) {
        size_t used = 1;
        const std::int32_t decoded = DecodeUtf8(bytes + i, length - i, used);
        i += used;
        // Each byte of a malformed sequence stands as one replacement.
        const char32_t code = decoded < 0 ? kReplacement : static_cast<char32_t>(decoded);
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
