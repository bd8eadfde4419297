#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tonewell::bundle {

// Writes one JSON text in order, indented by two spaces. Values inside an
// object follow a Key. Strings are escaped: quotes, backslashes and control
// characters; well-formed UTF-8 passes through, any other byte becomes
// U+FFFD, so the text is valid JSON whatever a module reports.
class JsonWriter {
public:
    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    void Key(std::string_view key);
    void String(std::string_view value);
    void Integer(std::int64_t value);
    // Always with a decimal point (1.0, 2.5), as scale factors are written.
    void Real(double value);
    void Bool(bool value);

    const std::string& Text() const { return text_; }
    // value as a quoted JSON string.
    static std::string Quote(std::string_view value);

private:
    void BeforeValue();
    void Open(char bracket);
    void Close(char bracket);
    void NewLine();

    std::string text_;
    // Per open object or array: whether it holds no value yet.
    std::vector<bool> empty_;
    bool afterKey_ = false;
};

} // namespace tonewell::bundle
