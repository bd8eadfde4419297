#include "SbagenScript.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "SbagenProgram.h"
#include "SessionError.h"

namespace tonewell::session {

namespace {

constexpr double kDay = 86400.0;
constexpr std::size_t kMaxFileBytes = 16u << 20;
constexpr int kMaxBlockDepth = 16;
constexpr std::size_t kMaxEntries = 200000;

struct Token {
    std::string_view text;
    int column = 1; // 1-based
};

std::vector<Token> Split(std::string_view line) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > start)
            tokens.push_back({line.substr(start, i - start), static_cast<int>(start) + 1});
    }
    return tokens;
}

bool IsNameStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsNameChar(char c) {
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '_' || c == '-';
}
bool IsName(std::string_view text) {
    if (text.empty() || !IsNameStart(text[0])) return false;
    return std::all_of(text.begin(), text.end(), IsNameChar);
}

// "hh:mm" or "hh:mm:ss" at text[pos]; advances pos.
bool ReadClock(std::string_view text, std::size_t& pos, double& seconds) {
    int parts[3] = {0, 0, 0};
    int count = 0;
    while (count < 3) {
        const std::size_t start = pos;
        int value = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - start < 3)
            value = value * 10 + (text[pos++] - '0');
        if (pos == start) return false;
        parts[count++] = value;
        if (pos < text.size() && text[pos] == ':' && count < 3)
            ++pos;
        else
            break;
    }
    if (count < 2 || parts[1] > 59 || parts[2] > 59) return false;
    seconds = parts[0] * 3600.0 + parts[1] * 60.0 + parts[2];
    return true;
}

} // namespace

class SbagenParser {
public:
    SbagenParser(SbagenScript& script, std::string_view text) : script_(script), text_(text) {}

    void Run();
    void ParseImmediate(const std::vector<Token>& tokens, int line);

private:
    struct RawTime {
        bool absolute = false; // starts with a clock time or NOW
        bool clock = false;    // starts with a clock time
        double base = 0.0;
        double offset = 0.0;
    };
    struct PendingLine {
        std::vector<Token> tokens;
        int line = 0;
    };
    struct Block {
        std::vector<PendingLine> lines;
    };
    struct Placed {
        double raw;
        bool wrapAllowed;
        SequenceEntry entry;
        int column;
    };

    [[noreturn]] void Fail(int line, int column, const std::string& what) const {
        throw SessionError(script_.name_ + ":" + std::to_string(line) + ":" +
                           std::to_string(column) + ": " + what);
    }
    void Warn(int line, const std::string& what) {
        script_.warnings_.push_back(script_.name_ + ":" + std::to_string(line) + ": " + what);
    }

    void ParseOptions(const std::vector<Token>& tokens, int line);
    void ParseToneSet(std::string_view name, const std::vector<Token>& tokens, int line);
    // The tone specs tokens[first...] as a tone-set, not yet added.
    ToneSet ReadTones(std::string_view name, const std::vector<Token>& tokens, std::size_t first,
                      int line);
    // "-p drop ..." or "-p slide ...": tokens[first] names the program.
    void ParseProgram(const std::vector<Token>& tokens, std::size_t first, int line);
    void ParseWave(std::string_view name, const std::vector<Token>& tokens, int line);
    RawTime ParseTime(const Token& token, int line) const;
    // Places one time line; a block's lines take the calling line's time and
    // whether it was a clock time.
    void PlaceTimeLine(const PendingLine& pending, double callTime, bool inBlock, bool callClock,
                       int depth);
    void ResolveTimes();
    void Normalize();
    int ToneSetIndex(std::string_view name) const;

    SbagenScript& script_;
    std::string_view text_;
    std::map<std::string, Block, std::less<>> blocks_;
    std::vector<PendingLine> timeLines_;
    std::vector<Placed> placed_;
    std::vector<bool> waves_ = std::vector<bool>(100, false);
    std::vector<std::pair<int, int>> customWaveUses_; // line, column of waveNN: uses
    double lastAbsolute_ = 0.0;
    bool lastAbsoluteClock_ = false;
    int programLine_ = 0; // line of -p, whose sequence is the whole session
};

void SbagenParser::Run() {
    std::size_t start = 0;
    int line = 0;
    const std::string* blockName = nullptr;
    std::string currentBlock;
    int blockLine = 0;
    while (start < text_.size()) {
        std::size_t end = text_.find('\n', start);
        if (end == std::string_view::npos) end = text_.size();
        std::string_view raw = text_.substr(start, end - start);
        start = end + 1;
        ++line;
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        for (std::size_t i = 0; i < raw.size(); ++i) {
            const auto c = static_cast<unsigned char>(raw[i]);
            if (c == 0 || (c < 32 && c != '\t'))
                Fail(line, static_cast<int>(i) + 1, "expected text, not a binary file");
        }
        const std::size_t hash = raw.find('#');
        if (hash != std::string_view::npos) {
            if (raw.substr(hash, 2) == "##") script_.description_.emplace_back(raw.substr(hash));
            raw = raw.substr(0, hash);
        }
        const std::vector<Token> tokens = Split(raw);
        if (tokens.empty()) continue;

        if (blockName != nullptr) {
            if (tokens[0].text == "}") {
                if (tokens.size() > 1) Fail(line, tokens[1].column, "expected nothing after '}'");
                blockName = nullptr;
                continue;
            }
            blocks_[currentBlock].lines.push_back({tokens, line});
            continue;
        }
        const std::string_view first = tokens[0].text;
        if (first.size() > 1 && first[0] == '-' && IsNameStart(first[1])) {
            ParseOptions(tokens, line);
            continue;
        }
        if (first.back() == ':' && IsNameStart(first[0])) {
            const std::string_view name = first.substr(0, first.size() - 1);
            if (!IsName(name))
                Fail(line, tokens[0].column,
                     "expected a name of letters, digits, '_' or '-' before ':'");
            if (tokens.size() >= 2 && tokens[1].text == "{") {
                if (tokens.size() > 2) Fail(line, tokens[2].column, "expected nothing after '{'");
                if (blocks_.count(name) || ToneSetIndex(name) >= 0)
                    Fail(line, tokens[0].column, "'" + std::string(name) + "' is defined twice");
                currentBlock = std::string(name);
                blocks_[currentBlock];
                blockName = &currentBlock;
                blockLine = line;
                continue;
            }
            if (name.size() == 6 && name.substr(0, 4) == "wave" && std::isdigit(name[4]) &&
                std::isdigit(name[5])) {
                ParseWave(name, tokens, line);
                continue;
            }
            ParseToneSet(name, tokens, line);
            continue;
        }
        if ((first[0] >= '0' && first[0] <= '9') || first[0] == '+' ||
            first.substr(0, 3) == "NOW") {
            timeLines_.push_back({tokens, line});
            continue;
        }
        Fail(line, tokens[0].column,
             "expected an option (-SE), a tone-set (name: tones), a block (name: {) or a time "
             "line (hh:mm name)");
    }
    if (blockName != nullptr) Fail(blockLine, 1, "expected '}' to close the block");
    if (programLine_ > 0 && !timeLines_.empty())
        Fail(timeLines_[0].line, timeLines_[0].tokens[0].column,
             "expected no time lines: -p on line " + std::to_string(programLine_) +
                 " makes the whole sequence");
    Normalize();
    for (const auto& pending : timeLines_)
        PlaceTimeLine(pending, 0.0, false, false, 0);
    if (script_.entries_.empty() && placed_.empty())
        Fail(line + 1, 1, "expected a time line (hh:mm name)");
    ResolveTimes();
}

void SbagenParser::ParseOptions(const std::vector<Token>& tokens, int line) {
    auto& options = script_.options_;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const Token& token = tokens[i];
        if (token.text.size() < 2 || token.text[0] != '-')
            Fail(line, token.column, "expected an option such as -SE");
        for (std::size_t k = 1; k < token.text.size(); ++k) {
            const char option = token.text[k];
            const int column = token.column + static_cast<int>(k);
            static const std::string withValue = "FcVwLTmqrbRodBp";
            std::optional<Token> value;
            if (withValue.find(option) != std::string::npos) {
                if (k + 1 != token.text.size())
                    Fail(line, column + 1,
                         std::string("expected a blank after -") + option + " and its value");
                if (i + 1 >= tokens.size())
                    Fail(line, column, std::string("expected a value after -") + option);
                value = tokens[++i];
            }
            const std::string text = value ? std::string(value->text) : std::string();
            const int valueColumn = value ? value->column : column;
            auto number = [&](double low, double high, const char* what) {
                char* end = nullptr;
                const double v = std::strtod(text.c_str(), &end);
                if (text.empty() || *end != 0 || !std::isfinite(v) || v < low || v > high)
                    Fail(line, valueColumn, std::string("expected ") + what);
                return v;
            };
            switch (option) {
            case 'S':
                break; // a file always renders from its first time
            case 'E':
                options.endAtLast = true;
                break;
            case 'Q':
            case 'D':
            case 'O':
            case 'W':
            case 'R':
            case 'o':
            case 'd':
            case 'B': {
                // How SBaGen+ plays or writes, not what is heard: said, and passed over.
                const char* why = option == 'Q'   ? "its status display"
                                  : option == 'D' ? "its listing (see --print-session)"
                                  : option == 'R' ? "how often it recomputes slides"
                                  : option == 'd' || option == 'B'
                                      ? "its audio device"
                                      : "its output (see -o and --format)";
                Warn(line, std::string("option -") + option + " only concerns " + why +
                               " and is passed over");
                break;
            }
            case 'F':
                options.fadeSeconds = number(0, 3600000, "a fade time in ms") / 1000.0;
                break;
            case 'V':
                options.volume = number(1, 100, "a volume from 1 to 100") / 100.0;
                break;
            case 'N':
                options.normalize = false;
                break;
            case 'w':
                if (text == "sine")
                    options.wave = Waveform::Sine;
                else if (text == "square")
                    options.wave = Waveform::Square;
                else if (text == "triangle")
                    options.wave = Waveform::Triangle;
                else if (text == "sawtooth")
                    options.wave = Waveform::Sawtooth;
                else
                    Fail(line, valueColumn, "expected sine, square, triangle or sawtooth");
                break;
            case 'L': {
                std::size_t pos = 0;
                double seconds = 0.0;
                if (!ReadClock(text, pos, seconds) || pos != text.size() || seconds <= 0.0)
                    Fail(line, valueColumn, "expected a length as hh:mm or hh:mm:ss");
                options.lengthSeconds = seconds;
                break;
            }
            case 'c': {
                options.compensation.clear();
                std::stringstream list(text);
                std::string item;
                while (std::getline(list, item, ',')) {
                    double frequency = 0.0;
                    double factor = 0.0;
                    char equals = 0;
                    std::stringstream pair(item);
                    if (!(pair >> frequency >> equals >> factor) || equals != '=' ||
                        frequency <= 0.0 || factor < 0.0 || !pair.eof())
                        Fail(line, valueColumn, "expected -c FREQ=FACTOR,FREQ=FACTOR,...");
                    options.compensation.emplace_back(frequency, factor);
                }
                std::sort(options.compensation.rbegin(), options.compensation.rend());
                break;
            }
            case 'i': {
                ParseImmediate(
                    std::vector<Token>(tokens.begin() + static_cast<long>(i) + 1, tokens.end()),
                    line);
                return;
            }
            case 'p':
                ParseProgram(tokens, i, line);
                return;
            case 'T': {
                std::size_t pos = 0;
                double seconds = 0.0;
                if (!ReadClock(text, pos, seconds) || pos != text.size() || seconds >= kDay)
                    Fail(line, valueColumn, "expected a clock time as hh:mm or hh:mm:ss");
                options.startClock = seconds;
                break;
            }
            case 'm': {
                // SBaGen's looping files name a looping set-up after '#'.
                const std::size_t hash = text.rfind('#');
                options.mixFile = text.substr(0, hash);
                options.mixLine = line;
                options.mixColumn = valueColumn;
                if (hash != std::string::npos)
                    Warn(line, "the looping set-up " + text.substr(hash) +
                                   " of -m is not followed: a looping file plays from its start, "
                                   "again and again");
                break;
            }
            case 'q':
                options.quick = number(1, 1e6, "a speed-up factor of 1 or more, such as 60");
                break;
            case 'r':
            case 'b':
            case 'M':
                Warn(line,
                     std::string("option -") + option +
                         (option == 'M'   ? " is not supported: give the mix with --input FILE"
                          : option == 'r' ? " is not supported: the rate is --rate's"
                                          : " is not supported: the sample format is --format's"));
                break;
            default:
                Warn(line, std::string("unknown option -") + option + " ignored");
            }
        }
    }
}

void SbagenParser::ParseImmediate(const std::vector<Token>& tokens, int line) {
    if (tokens.empty()) Fail(line, 1, "expected tone specs after -i");
    if (programLine_ > 0) Fail(line, tokens[0].column, "expected either -i or -p, not both");
    std::vector<Token> withName;
    withName.push_back({"immediate:", tokens[0].column});
    withName.insert(withName.end(), tokens.begin(), tokens.end());
    ParseToneSet("immediate", withName, line);
    timeLines_.clear();
    placed_.clear();
    script_.entries_.clear();
    SequenceEntry entry;
    entry.toneSet = ToneSetIndex("immediate");
    entry.line = line;
    placed_.push_back({0.0, false, entry, 1});
}

void SbagenParser::ParseToneSet(std::string_view name, const std::vector<Token>& tokens, int line) {
    if (ToneSetIndex(name) >= 0 || blocks_.count(name))
        Fail(line, tokens[0].column, "'" + std::string(name) + "' is defined twice");
    if (tokens.size() < 2)
        Fail(line, tokens[0].column + static_cast<int>(tokens[0].text.size()),
             "expected tone specs after the name (or '-' for silence)");
    ToneSet set = ReadTones(name, tokens, 1, line);
    if (set.tones.size() == 1 && set.tones[0].kind == ToneKind::Off) set.tones.clear();
    if (set.tones.size() > 16)
        Fail(line, tokens[17].column, "expected at most 16 tone specs in a tone-set");
    script_.toneSets_.push_back(std::move(set));
}

ToneSet SbagenParser::ReadTones(std::string_view name, const std::vector<Token>& tokens,
                                std::size_t first, int line) {
    ToneSet set;
    set.name = std::string(name);
    set.line = line;
    for (std::size_t i = first; i < tokens.size(); ++i) {
        ToneSpec toneSpec;
        std::string error;
        std::size_t offset = 0;
        if (!ParseToneSpec(tokens[i].text, toneSpec, error, offset))
            Fail(line, tokens[i].column + static_cast<int>(offset), error);
        if (toneSpec.customWave >= 0) customWaveUses_.emplace_back(line, tokens[i].column);
        if (toneSpec.customWave >= 0 && !waves_[static_cast<std::size_t>(toneSpec.customWave)])
            Fail(line, tokens[i].column,
                 "wave" + std::string(tokens[i].text.substr(4, 2)) +
                     " is not defined before this line");
        set.tones.push_back(toneSpec);
    }
    return set;
}

void SbagenParser::ParseProgram(const std::vector<Token>& tokens, std::size_t first, int line) {
    if (programLine_ > 0 || !placed_.empty())
        Fail(line, tokens[first].column, "expected one sequence: -i or -p is given already");
    std::vector<std::string_view> words;
    for (std::size_t i = first; i < tokens.size(); ++i)
        words.push_back(tokens[i].text);
    std::size_t used = 0;
    std::vector<SbagenProgram::Point> points;
    try {
        points = SbagenProgram::Read(words, used);
    } catch (const SbagenProgram::Error& error) {
        const Token& token = tokens[first + error.word];
        Fail(line, token.column + static_cast<int>(error.offset), error.what);
    }
    // The tone specs after the program sound beside its tone, faded in and out with it.
    const ToneSet extras = ReadTones("", tokens, first + used, line);
    for (const auto& tone : extras.tones)
        if (tone.kind == ToneKind::Off)
            Fail(line, tokens[first + used].column, "expected tone specs, not '-', after -p");
    if (extras.tones.size() > 15)
        Fail(line, tokens[first + used + 15].column,
             "expected at most 15 tone specs beside the program's tone");
    programLine_ = line;
    script_.options_.endAtLast = true;

    // Each point becomes a tone-set (named so that no file can name it) and
    // a time line sliding into the next, as "hh:mm:ss == name ->".
    const std::string program(words[0]);
    const std::string silence = program + ".silence";
    ToneSet quiet;
    quiet.name = silence;
    quiet.line = line;
    script_.toneSets_.push_back(quiet);
    const int quietIndex = static_cast<int>(script_.toneSets_.size()) - 1;
    int previous = -1;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const auto& point = points[i];
        int index = quietIndex;
        if (point.sounding) {
            const auto& last = script_.toneSets_.back();
            if (previous == static_cast<int>(script_.toneSets_.size()) - 1 && !last.tones.empty() &&
                last.tones[0].carrier == point.tone.carrier &&
                last.tones[0].beat == point.tone.beat && last.tones[0].amp == point.tone.amp) {
                index = previous; // a step held still
            } else {
                ToneSet set;
                set.name = program + "." + std::to_string(script_.toneSets_.size() - quietIndex);
                set.line = line;
                set.tones.push_back(point.tone);
                set.tones.insert(set.tones.end(), extras.tones.begin(), extras.tones.end());
                script_.toneSets_.push_back(std::move(set));
                index = static_cast<int>(script_.toneSets_.size()) - 1;
            }
        }
        previous = index;
        SequenceEntry entry;
        entry.fadeIn = '=';
        entry.fadeOut = '=';
        entry.slideToNext = i + 1 < points.size();
        entry.toneSet = index;
        entry.line = line;
        placed_.push_back({point.seconds, false, entry, tokens[first].column});
    }
}

void SbagenParser::ParseWave(std::string_view name, const std::vector<Token>& tokens, int line) {
    const int number = (name[4] - '0') * 10 + (name[5] - '0');
    if (waves_[static_cast<std::size_t>(number)])
        Fail(line, tokens[0].column, "'" + std::string(name) + "' is defined twice");
    if (tokens.size() < 3)
        Fail(line, tokens[0].column, "expected at least two samples of the shape");
    double low = HUGE_VAL;
    double high = -HUGE_VAL;
    std::vector<double> samples;
    for (std::size_t i = 1; i < tokens.size(); ++i) {
        const std::string text(tokens[i].text);
        char* end = nullptr;
        const double v = std::strtod(text.c_str(), &end);
        if (*end != 0 || !std::isfinite(v) || std::fabs(v) > 1e12)
            Fail(line, tokens[i].column, "expected a number");
        low = std::min(low, v);
        high = std::max(high, v);
        samples.push_back(v);
    }
    if (!(high > low)) Fail(line, tokens[1].column, "expected samples that are not all equal");
    double sum = 0.0;
    for (const double v : samples)
        sum += (v - low) * (v - low) / ((high - low) * (high - low));
    script_.waveLevels_[static_cast<std::size_t>(number)] =
        std::sqrt(sum / static_cast<double>(samples.size()));
    waves_[static_cast<std::size_t>(number)] = true;
    Warn(line, "custom shape " + std::string(name) + " plays as Tonewell's sine at its level");
}

int SbagenParser::ToneSetIndex(std::string_view name) const {
    const auto& sets = script_.toneSets_;
    for (std::size_t i = 0; i < sets.size(); ++i)
        if (sets[i].name == name) return static_cast<int>(i);
    return -1;
}

SbagenParser::RawTime SbagenParser::ParseTime(const Token& token, int line) const {
    RawTime time;
    const std::string_view text = token.text;
    std::size_t pos = 0;
    if (text.substr(0, 3) == "NOW") {
        time.absolute = true;
        pos = 3;
    } else if (!text.empty() && text[0] != '+') {
        if (!ReadClock(text, pos, time.base) || time.base >= kDay)
            Fail(line, token.column, "expected a time: hh:mm, hh:mm:ss, NOW or +hh:mm[:ss]");
        time.absolute = true;
        time.clock = true;
    }
    while (pos < text.size()) {
        if (text[pos] != '+')
            Fail(line, token.column + static_cast<int>(pos), "expected '+hh:mm' or '+hh:mm:ss'");
        ++pos;
        double seconds = 0.0;
        const std::size_t start = pos;
        if (!ReadClock(text, pos, seconds))
            Fail(line, token.column + static_cast<int>(start),
                 "expected hh:mm or hh:mm:ss after '+'");
        time.offset += seconds;
    }
    if (!time.absolute && time.offset == 0.0 && text.size() < 2)
        Fail(line, token.column, "expected a time: hh:mm, hh:mm:ss, NOW or +hh:mm[:ss]");
    return time;
}

void SbagenParser::PlaceTimeLine(const PendingLine& pending, double callTime, bool inBlock,
                                 bool callClock, int depth) {
    const auto& tokens = pending.tokens;
    const int line = pending.line;
    const RawTime time = ParseTime(tokens[0], line);
    double at = 0.0;
    bool wrapAllowed = false;
    if (inBlock) {
        if (time.absolute)
            Fail(line, tokens[0].column, "expected a relative time (+hh:mm) inside a block");
        at = callTime + time.offset;
        wrapAllowed = callClock;
    } else if (time.absolute) {
        lastAbsolute_ = time.base;
        lastAbsoluteClock_ = time.clock;
        at = time.base + time.offset;
        wrapAllowed = time.clock;
    } else {
        at = lastAbsolute_ + time.offset;
        wrapAllowed = lastAbsoluteClock_;
    }
    std::size_t next = 1;
    SequenceEntry entry;
    entry.line = line;
    if (next < tokens.size() && tokens[next].text.size() == 2 &&
        std::string_view("<-=").find(tokens[next].text[0]) != std::string_view::npos) {
        const std::string_view fade = tokens[next].text;
        if (std::string_view(">-=").find(fade[1]) == std::string_view::npos)
            Fail(line, tokens[next].column + 1, "expected '>', '-' or '=' as the fade-out");
        entry.fadeIn = fade[0];
        entry.fadeOut = fade[1];
        ++next;
    } else if (next < tokens.size() && tokens[next].text.size() == 2 &&
               !IsNameStart(tokens[next].text[0])) {
        Fail(line, tokens[next].column,
             "expected a fade (<, - or = then >, - or =) or a tone-set name");
    }
    if (next >= tokens.size()) Fail(line, tokens[0].column, "expected a tone-set or block name");
    const Token& nameToken = tokens[next++];
    if (next < tokens.size()) {
        if (tokens[next].text != "->")
            Fail(line, tokens[next].column, "expected '->' or the end of the line");
        entry.slideToNext = true;
        if (++next < tokens.size()) Fail(line, tokens[next].column, "expected the end of the line");
    }
    const auto block = blocks_.find(nameToken.text);
    if (block != blocks_.end()) {
        if (entry.slideToNext || entry.fadeIn != '-' || entry.fadeOut != '-')
            Fail(line, tokens[1].column, "expected no fade or '->' with a block name");
        if (depth >= kMaxBlockDepth)
            Fail(line, nameToken.column, "blocks nest too deep (or call themselves)");
        for (const auto& inner : block->second.lines)
            PlaceTimeLine(inner, at, true, wrapAllowed, depth + 1);
        return;
    }
    entry.toneSet = ToneSetIndex(nameToken.text);
    if (entry.toneSet < 0)
        Fail(line, nameToken.column,
             "expected a defined tone-set or block name, not '" + std::string(nameToken.text) +
                 "'");
    if (placed_.size() >= kMaxEntries) Fail(line, 1, "too many time lines");
    placed_.push_back({at, wrapAllowed, entry, tokens[0].column});
}

void SbagenParser::ResolveTimes() {
    double position = 0.0;
    for (std::size_t i = 0; i < placed_.size(); ++i) {
        Placed& item = placed_[i];
        if (i > 0) {
            const double before = placed_[i - 1].raw;
            if (item.raw >= before) {
                position += item.raw - before;
            } else {
                // Clock times go round midnight; so do times after NOW, as in
                // SBaGen+, but that is more likely a slip, so it is said.
                position += std::fmod(item.raw - before + 2.0 * kDay, kDay);
                if (!item.wrapAllowed)
                    Warn(item.entry.line, "this time comes before the line before it; it is taken "
                                          "as the next day");
            }
        }
        if (position >= kDay)
            Fail(item.entry.line, item.column,
                 "times out of order: the sequence would last 24 hours or more");
        item.entry.seconds = position;
        script_.entries_.push_back(item.entry);
    }
    // -T: playing starts at that clock time rather than at the first line:
    // part-way into the sequence when the time falls within it, otherwise
    // before its first line.
    if (script_.options_.startClock && !placed_.empty()) {
        const double into =
            std::fmod(*script_.options_.startClock - placed_[0].raw + 2.0 * kDay, kDay);
        const double shift = into <= script_.entries_.back().seconds ? -into : kDay - into;
        for (auto& entry : script_.entries_)
            entry.seconds += shift;
    }
    // -q: the whole sequence, its fades included, runs that many times faster.
    if (script_.options_.quick != 1.0) {
        for (auto& entry : script_.entries_)
            entry.seconds /= script_.options_.quick;
        script_.options_.fadeSeconds /= script_.options_.quick;
    }
}

void SbagenParser::Normalize() {
    if (!script_.options_.normalize) return;
    std::set<int> warned; // the many tone-sets of one -p line are said once
    for (auto& set : script_.toneSets_) {
        double total = 0.0;
        for (const auto& tone : set.tones)
            total += tone.Level();
        if (total <= 1.0 + 1e-9) continue;
        for (auto& tone : set.tones)
            if (tone.Level() > 0.0) tone.amp /= total;
        if (!warned.insert(set.line).second) continue;
        char text[200];
        std::snprintf(text, sizeof text,
                      "tone-set '%s' adds up to %.4g %% of full scale; its levels are scaled "
                      "down to 100 %% (-N keeps them)",
                      set.name.c_str(), total * 100.0);
        script_.warnings_.push_back(script_.name_ + ": " + text);
    }
}

SbagenScript SbagenScript::Parse(std::string_view text, const std::string& name) {
    SbagenScript script;
    script.name_ = name;
    if (text.find_first_not_of(" \t\r\n") == std::string_view::npos)
        throw SessionError(name + ":1:1: expected a session, not an empty file");
    SbagenParser parser(script, text);
    parser.Run();
    return script;
}

SbagenScript SbagenScript::FromTones(std::string_view tones, const std::string& name) {
    SbagenScript script;
    script.name_ = name;
    if (tones.find_first_not_of(" \t") == std::string_view::npos)
        throw SessionError(name + ":1:1: expected tone specs such as \"pink/40 200+10/20\"");
    SbagenParser parser(script, {});
    for (char c : tones)
        if (static_cast<unsigned char>(c) < 32 && c != '\t')
            throw SessionError(name + ":1:1: expected text");
    parser.ParseImmediate(Split(tones), 1);
    parser.Run();
    return script;
}

SbagenScript SbagenScript::Read(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw SessionError(path + ":1:1: cannot open the file");
    std::string text;
    char buffer[65536];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(file.gcount()));
        if (text.size() > kMaxFileBytes)
            throw SessionError(path + ":1:1: expected a session file, not more than 16 MB");
    }
    return Parse(text, path);
}

bool SbagenScript::LooksLikeSbagen(std::string_view text) {
    // A tone-set definition or an options line settles it.
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        const std::size_t hash = line.find('#');
        if (hash != std::string_view::npos) line = line.substr(0, hash);
        const auto tokens = Split(line);
        if (tokens.empty()) continue;
        const std::string_view first = tokens[0].text;
        if (first.size() > 1 && first[0] == '-' && IsNameStart(first[1])) return true;
        if (first.back() == ':' && IsName(first.substr(0, first.size() - 1))) return true;
    }
    return false;
}

std::optional<double> SbagenScript::Length() const {
    if (options_.lengthSeconds) return options_.lengthSeconds;
    if (options_.endAtLast && LastTime() > 0.0) return LastTime();
    return std::nullopt;
}

std::string SbagenScript::MixFilePath() const {
    if (options_.mixFile.empty()) return {};
    const std::filesystem::path file = std::filesystem::u8path(options_.mixFile);
    if (file.is_absolute()) return options_.mixFile;
    return (std::filesystem::u8path(name_).parent_path() / file).u8string();
}

int SbagenScript::MixLine() const {
    for (const auto& entry : entries_) {
        const ToneSet& set = toneSets_[static_cast<std::size_t>(entry.toneSet)];
        for (const auto& tone : set.tones)
            if (tone.kind == ToneKind::Mix || tone.kind == ToneKind::MixSpin ||
                tone.kind == ToneKind::MixPulse)
                return set.line;
    }
    return 0;
}

} // namespace tonewell::session
