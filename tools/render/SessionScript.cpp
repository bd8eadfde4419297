#include "SessionScript.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "RenderError.h"
#include "TextParsing.h"

namespace tonewell::render {

namespace {

// A file larger than this is not a session someone wrote.
constexpr std::size_t kMaxFileBytes = 16 << 20;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// Splits a line into words at blanks outside double quotes; the quotes stay
// in the words. A '#' that starts a word outside quotes ends the line.
// Returns the column of an unterminated quote, or 0.
int SplitWords(const std::string& line, std::vector<SessionScript::Word>& words) {
    std::size_t i = 0;
    while (i < line.size()) {
        if (IsBlank(line[i])) {
            ++i;
            continue;
        }
        if (line[i] == '#') break;
        SessionScript::Word word;
        word.column = static_cast<int>(i) + 1;
        bool quoted = false;
        std::size_t quoteStart = 0;
        for (; i < line.size() && (quoted || !IsBlank(line[i])); ++i) {
            if (line[i] == '"') {
                quoted = !quoted;
                quoteStart = i;
            }
            word.text += line[i];
        }
        if (quoted) return static_cast<int>(quoteStart) + 1;
        words.push_back(std::move(word));
    }
    return 0;
}

std::string Unquote(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c != '"') out += c;
    }
    return out;
}

// Position of the first '=' outside quotes, or npos.
std::size_t FindEquals(const std::string& text) {
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"') quoted = !quoted;
        if (text[i] == '=' && !quoted) return i;
    }
    return std::string::npos;
}

bool IsText(const std::string& content) {
    for (const char c : content) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 && c != '\n' && c != '\r' && c != '\t') return false;
    }
    return true;
}

bool ParseTimeField(const std::string& text, double& value, bool allowFraction, double limit) {
    const auto number = ParseNumber(text);
    if (!number || *number < 0.0 || *number >= limit ||
        text.find_first_of("eE+-") != std::string::npos)
        return false;
    if (!allowFraction && *number != std::floor(*number)) return false;
    value = *number;
    return true;
}

} // namespace

bool ParseSessionTime(const std::string& text, double& seconds) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t colon = text.find(':', start);
        fields.push_back(text.substr(start, colon - start));
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    if (fields.size() > 3) return false;
    double total = 0.0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const bool last = i + 1 == fields.size();
        // The leading field has no upper limit; the others count to 60.
        const double limit = i == 0 ? 1e9 : 60.0;
        double value = 0.0;
        if (!ParseTimeField(fields[i], value, last, limit)) return false;
        total = total * 60.0 + value;
    }
    seconds = total;
    return true;
}

std::string FormatSessionTime(double seconds) {
    const auto millis = static_cast<long long>(std::llround(seconds * 1000.0));
    char text[64];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%03lld", millis / 3600000,
                  millis / 60000 % 60, millis / 1000 % 60, millis % 1000);
    return text;
}

std::string SessionScript::Where(int line, int column) const {
    return fileName_ + ":" + std::to_string(line) + ":" + std::to_string(column) + ": ";
}

SessionScript SessionScript::Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw RenderError(path + ": cannot read the session file");
    std::ostringstream content;
    content << in.rdbuf();
    if (content.str().size() > kMaxFileBytes)
        throw RenderError(path + ": too large for a session file");
    return Parse(content.str(), path);
}

SessionScript SessionScript::Parse(const std::string& text, const std::string& fileName) {
    SessionScript script;
    script.fileName_ = fileName;
    if (!IsText(text)) throw RenderError(fileName + ":1:1: not a text file");

    // A byte-order mark some editors write is not part of the first line.
    const bool bom = text.compare(0, 3, "\xEF\xBB\xBF") == 0;
    std::istringstream lines(bom ? text.substr(3) : text);
    std::string line;
    int lineNumber = 0;
    bool ended = false;
    double previous = 0.0;
    while (std::getline(lines, line)) {
        ++lineNumber;
        std::vector<Word> words;
        if (const int column = SplitWords(line, words); column > 0)
            throw RenderError(script.Where(lineNumber, column) + "quote is not closed");
        if (words.empty()) continue;
        const auto fail = [&](const Word& word, const std::string& message) {
            throw RenderError(script.Where(lineNumber, word.column) + message);
        };

        Event event;
        event.line = lineNumber;
        if (!ParseSessionTime(words[0].text, event.seconds))
            fail(words[0], "\"" + words[0].text + "\" is not a time (SS, MM:SS or HH:MM:SS)");
        if (ended) fail(words[0], "nothing may follow the end line");
        if (event.seconds < previous)
            fail(words[0], "time " + words[0].text + " comes before the line above it (" +
                               FormatSessionTime(previous) + ")");
        previous = event.seconds;
        if (words.size() < 2)
            fail(words[0], "expected program, set, slide, note or end after the time");

        const Word& keyword = words[1];
        if (keyword.text == "program") {
            if (words.size() < 3) fail(keyword, "program needs a name or number");
            event.kind = Kind::Program;
            event.program.column = words[2].column;
            const std::size_t from = static_cast<std::size_t>(words[2].column - 1);
            const std::size_t to =
                static_cast<std::size_t>(words.back().column - 1) + words.back().text.size();
            std::string name(Trim(std::string_view(line).substr(from, to - from)));
            if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
                name = name.substr(1, name.size() - 2);
            event.program.text = name;
        } else if (keyword.text == "set" || keyword.text == "slide") {
            event.kind = keyword.text == "set" ? Kind::Set : Kind::Slide;
            if (words.size() < 3) fail(keyword, keyword.text + " needs at least one NAME=VALUE");
            for (std::size_t i = 2; i < words.size(); ++i) {
                const std::size_t equals = FindEquals(words[i].text);
                if (equals == std::string::npos)
                    fail(words[i], "expected NAME=VALUE, got \"" + words[i].text + "\"");
                Assignment assignment;
                assignment.name = {Unquote(words[i].text.substr(0, equals)), words[i].column};
                assignment.value = {Unquote(words[i].text.substr(equals + 1)),
                                    words[i].column + static_cast<int>(equals) + 1};
                if (assignment.name.text.empty()) fail(words[i], "the parameter name is missing");
                if (assignment.value.text.empty()) fail(words[i], "the value is missing");
                event.assignments.push_back(std::move(assignment));
            }
        } else if (keyword.text == "note") {
            event.kind = Kind::Note;
            if (words.size() != 5) fail(keyword, "expected note NOTE VELOCITY DURATION");
            const auto note = ParseInteger(words[2].text);
            if (!note || *note < 0 || *note > 127)
                fail(words[2], "note must be a MIDI note number from 0 to 127");
            const auto velocity = ParseInteger(words[3].text);
            if (!velocity || *velocity < 1 || *velocity > 127)
                fail(words[3], "velocity must be a whole number from 1 to 127");
            const auto duration = ParseNumber(words[4].text);
            if (!duration || *duration <= 0.0)
                fail(words[4], "duration must be a number of seconds above 0");
            event.note = static_cast<int>(*note);
            event.velocity = static_cast<int>(*velocity);
            event.durationSeconds = *duration;
        } else if (keyword.text == "end") {
            if (words.size() > 2) fail(words[2], "end takes nothing after it");
            event.kind = Kind::End;
            ended = true;
        } else {
            fail(keyword, "unknown event \"" + keyword.text +
                              "\" (expected program, set, slide, note or end)");
        }
        script.events_.push_back(std::move(event));
    }
    if (script.events_.empty()) throw RenderError(fileName + ":1:1: the session has no events");
    return script;
}

} // namespace tonewell::render
