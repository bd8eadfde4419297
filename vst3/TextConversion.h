#pragma once

#include <cstddef>
#include <string>

#include "pluginterfaces/base/ftypes.h"

// Conversions between the core's 8-bit (UTF-8) texts and the host's UTF-16
// strings. Both always terminate their output and never write past it;
// malformed input becomes U+FFFD rather than an error.
void Utf8ToUtf16(const char* text, Steinberg::char16* out, size_t outCount);
std::string Utf16ToUtf8(const Steinberg::char16* text, size_t maxCount);
