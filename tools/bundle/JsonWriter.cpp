#include "JsonWriter.h"

#include <cmath>
#include <cstdio>

namespace tonewell::bundle {

std::string JsonWriter::Quote(std::string_view value) {
    std::string quoted = "\"";
    for (char c : value) {
        switch (c) {
        case '"':
            quoted += "\\\"";
            break;
        case '\\':
            quoted += "\\\\";
            break;
        case '\n':
            quoted += "\\n";
            break;
        case '\r':
            quoted += "\\r";
            break;
        case '\t':
            quoted += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
                quoted += escaped;
            } else {
                quoted += c;
            }
        }
    }
    return quoted + "\"";
}

void JsonWriter::NewLine() {
    text_ += '\n';
    text_.append(2 * empty_.size(), ' ');
}

void JsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (empty_.empty()) return;
    if (!empty_.back()) text_ += ',';
    empty_.back() = false;
    NewLine();
}

void JsonWriter::Open(char bracket) {
    BeforeValue();
    text_ += bracket;
    empty_.push_back(true);
}

void JsonWriter::Close(char bracket) {
    const bool wasEmpty = empty_.back();
    empty_.pop_back();
    if (!wasEmpty) NewLine();
    text_ += bracket;
    if (empty_.empty()) text_ += '\n';
}

void JsonWriter::BeginObject() {
    Open('{');
}

void JsonWriter::EndObject() {
    Close('}');
}

void JsonWriter::BeginArray() {
    Open('[');
}

void JsonWriter::EndArray() {
    Close(']');
}

void JsonWriter::Key(std::string_view key) {
    BeforeValue();
    text_ += Quote(key) + ": ";
    afterKey_ = true;
}

void JsonWriter::String(std::string_view value) {
    BeforeValue();
    text_ += Quote(value);
}

void JsonWriter::Integer(std::int64_t value) {
    BeforeValue();
    text_ += std::to_string(value);
}

void JsonWriter::Real(double value) {
    BeforeValue();
    // JSON has no NaN or infinity.
    if (!std::isfinite(value)) value = 0.0;
    char number[40];
    std::snprintf(number, sizeof number, "%.15g", value);
    std::string text = number;
    if (text.find_first_of(".e") == std::string::npos) text += ".0";
    text_ += text;
}

void JsonWriter::Bool(bool value) {
    BeforeValue();
    text_ += value ? "true" : "false";
}

} // namespace tonewell::bundle
