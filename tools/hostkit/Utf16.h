#pragma once

#include <pluginterfaces/base/ftypes.h>
#include <string>

namespace tonewell::hostkit {

// Conversions between UTF-8 and the SDK's UTF-16 strings.
std::u16string ToUtf16(const std::string& text);
std::string ToUtf8(const Steinberg::char16* text, size_t maxLength);

// Copies text into a fixed-size, NUL-terminated UTF-16 field such as String128.
void CopyToField(const std::string& text, Steinberg::char16* field, size_t fieldLength);

} // namespace tonewell::hostkit
