#pragma once

#include <string>

namespace tonewell::standalone {

// UTF-8 to Windows' UTF-16 and back; text that does not convert gives an
// empty string.
std::wstring Wide(const std::string& text);
std::string Narrow(const std::wstring& text);

} // namespace tonewell::standalone
