#include "JsonWriter.h"

#include <cmath>
#include <cstdio>

namespace tonewell::bundle {

namespace {

// Length of the well-formed UTF-8 sequence at text[at], 0 if there is none
// (stray continuation bytes, overlong forms, surrogates, beyond U+10FFFF).
size_t Utf8SequenceLength(std::string_view text, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char lead = byte(0);
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (at + length > text.size() || byte(1) < low || byte(1) > high) return 0;
    for (size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    return length;
}

} // namespace

std::string JsonWriter::Quote(std::string_view value) {
    std::string quoted = "\"";
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        const auto code = static_cast<unsigned char>(c);
        if (c == '"') {
            quoted += "\\\"";
        } else if (c == '\\') {
            quoted += "\\\\";
        } else if (c == '\n') {
            quoted += "\\n";
        } else if (c == '\t') {
            quoted += "\\t";
        } else if (code < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", code);
            quoted += escaped;
        } else if (code < 0x80) {
            quoted += c;
        } else if (const size_t length = Utf8SequenceLength(value, i)) {
            quoted.append(value.substr(i, length));
            i += length - 1;
        } else {
            // A byte that is not UTF-8 would make the whole file unreadable.
            quoted += "\\ufffd";
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
