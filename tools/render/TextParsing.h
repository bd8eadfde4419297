#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tonewell::render {

// Strict conversions for command-line text: the whole text must be the number
// (surrounding blanks allowed), and it must be finite.
std::optional<double> ParseNumber(std::string_view text);
std::optional<long long> ParseInteger(std::string_view text);

std::string_view Trim(std::string_view text);
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
// Decimal form for people: at most six decimals, no trailing zeros ("200", "0.01").
std::string FormatNumber(double value);

} // namespace tonewell::render
