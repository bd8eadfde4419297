#include "EventScript.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "SnapshotError.h"

namespace tonewell::snapshot {

namespace {

using Kind = ScriptEvent::Kind;

struct Form {
    const char* word;
    Kind kind;
    bool position;  // takes X Y
    bool modifiers; // takes MODS
    bool button;    // left button unless right is named
};

constexpr Form kForms[] = {
    {"press", Kind::Press, true, true, true},        {"release", Kind::Release, true, true, true},
    {"drag", Kind::Drag, true, true, true},          {"click", Kind::Click, true, true, true},
    {"double", Kind::DoubleClick, true, true, true}, {"wheel", Kind::Wheel, true, true, false},
    {"over", Kind::Over, true, true, false},         {"leave", Kind::Leave, false, false, false},
    {"key", Kind::Key, true, false, false},          {"tick", Kind::Tick, false, false, false},
    {"paint", Kind::Paint, false, false, false},
};

// Throws the line's error with its place in front.
class LineReader {
public:
    LineReader(const std::string& line, int number, const std::string& source)
        : number(number), source(source) {
        // Everything after '#' is a comment.
        std::istringstream stream(line.substr(0, line.find('#')));
        for (std::string word; stream >> word;)
            words.push_back(word);
    }

    bool Empty() const { return words.empty(); }
    bool AtEnd() const { return next >= words.size(); }
    const std::string& Word() { return words[next++]; }
    const std::string& Command() const { return words[0]; }

    [[noreturn]] void Fail(const std::string& problem) const {
        throw SnapshotError(source + ":" + std::to_string(number) + ": " + problem);
    }

    int Integer(const char* what) {
        if (AtEnd()) Fail("'" + Command() + "' needs " + what);
        const std::string& text = Word();
        errno = 0;
        char* end = nullptr;
        const long long value = std::strtoll(text.c_str(), &end, 10);
        if (end == text.c_str() || *end != '\0')
            Fail(std::string(what) + " must be a whole number, not '" + text + "'");
        if (errno == ERANGE || value < std::numeric_limits<int>::min() ||
            value > std::numeric_limits<int>::max())
            Fail(std::string(what) + " '" + text + "' is out of range");
        return static_cast<int>(value);
    }

    double Number(const char* what) {
        if (AtEnd()) Fail("'" + Command() + "' needs " + what);
        const std::string& text = Word();
        char* end = nullptr;
        const double value = std::strtod(text.c_str(), &end);
        if (end == text.c_str() || *end != '\0')
            Fail(std::string(what) + " must be a number, not '" + text + "'");
        if (!std::isfinite(value)) Fail(std::string(what) + " must be finite, not '" + text + "'");
        return value;
    }

    const int number;
    const std::string& source;

private:
    std::vector<std::string> words;
    size_t next = 1; // after the command word
};

void ReadModifiers(LineReader& reader, ScriptEvent& event) {
    while (!reader.AtEnd()) {
        const std::string& word = reader.Word();
        IMouseKeys& keys = event.keys;
        if (word == "left") {
            keys.left = 1;
            keys.right = 0;
        } else if (word == "right") {
            keys.right = 1;
            keys.left = 0;
        } else if (word == "shift") {
            keys.shift = 1;
        } else if (word == "control" || word == "ctrl") {
            keys.control = 1;
        } else if (word == "alt") {
            keys.alt = 1;
        } else {
            reader.Fail("unknown word '" + word +
                        "' (expected left, right, shift, control or alt)");
        }
    }
}

} // namespace

bool EventScript::ParseLine(const std::string& line, int lineNumber, const std::string& source,
                            ScriptEvent& out) {
    LineReader reader(line, lineNumber, source);
    if (reader.Empty()) return false;

    const Form* form = nullptr;
    for (const Form& candidate : kForms)
        if (reader.Command() == candidate.word) form = &candidate;
    if (!form) reader.Fail("unknown event '" + reader.Command() + "'");

    ScriptEvent event;
    event.kind = form->kind;
    event.line = lineNumber;
    if (form->button) event.keys.left = 1;
    if (form->position) {
        event.x = reader.Integer("X");
        event.y = reader.Integer("Y");
    }
    if (form->kind == Kind::Wheel) event.delta = reader.Number("DELTA");
    if (form->kind == Kind::Key) event.key = reader.Integer("CODE");
    if (form->kind == Kind::Tick && !reader.AtEnd()) {
        event.count = reader.Integer("N");
        if (event.count < 1 || event.count > kMaxTicks)
            reader.Fail("N must be 1 to " + std::to_string(kMaxTicks) + ", not " +
                        std::to_string(event.count));
    }
    if (form->modifiers) ReadModifiers(reader, event);
    if (!reader.AtEnd())
        reader.Fail("unexpected '" + reader.Word() + "' after '" + reader.Command() + "'");
    out = event;
    return true;
}

std::vector<ScriptEvent> EventScript::Parse(const std::string& text, const std::string& source) {
    std::vector<ScriptEvent> events;
    std::istringstream stream(text);
    int number = 0;
    for (std::string line; std::getline(stream, line);) {
        ScriptEvent event;
        if (ParseLine(line, ++number, source, event)) events.push_back(event);
    }
    return events;
}

std::vector<ScriptEvent> EventScript::Load(const std::string& path) {
    std::error_code ignored;
    std::ifstream file(path, std::ios::binary);
    // A folder opens like a file on some systems and then reads as empty.
    if (!file || std::filesystem::is_directory(path, ignored))
        throw SnapshotError("cannot read script '" + path + "'");
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) throw SnapshotError("cannot read script '" + path + "'");
    return Parse(text.str(), path);
}

} // namespace tonewell::snapshot
